/* The yardstick of the start-up benchmark: the least a Windows GUI program does, one USER32 call
   (which brings up the display driver), built the way the engine is (mingw, -static, -mwindows).
   Exits 0 when the call answered. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  (void)instance;
  (void)previous;
  (void)commandLine;
  (void)show;
  return GetSystemMetrics(SM_CXSCREEN) > 0 ? 0 : 1;
}
