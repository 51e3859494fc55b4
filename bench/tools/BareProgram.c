/* The yardstick of the start-up benchmark: the least a Windows GUI program does, one USER32 call
   (which brings up the display driver), built the way the engine is (mingw, -static, -mwindows).
   With a product code as its argument it also asks Windows Installer for that product's state,
   as every setup's start does: the floor under the engine's own start-up.
   Exits 0 when the calls answered. */
#include <windows.h>

typedef INT(WINAPI* QueryProductState)(LPCSTR product);

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  (void)instance;
  (void)previous;
  (void)show;
  if (GetSystemMetrics(SM_CXSCREEN) <= 0) return 1;
  if (commandLine[0] == '\0') return 0;
  HMODULE installer = LoadLibraryA("msi.dll");
  if (installer == NULL) return 2;
  QueryProductState query = (QueryProductState)(void (*)(void))GetProcAddress(installer, "MsiQueryProductStateA");
  if (query == NULL) return 3;
  query(commandLine);
  return 0;
}
