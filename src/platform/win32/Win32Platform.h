#pragma once
// The real machine: every platform interface backed by Win32, bundled as a Platform.
#include "platform/Platform.h"
#include "platform/win32/Win32ArchiveLibrary.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32IniFiles.h"
#include "platform/win32/Win32Installer.h"
#include "platform/win32/Win32Internet.h"
#include "platform/win32/Win32Plugins.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32SystemInfo.h"
#include "platform/win32/Win32Threads.h"
#include "platform/win32/Win32Toolkit.h"
#include "platform/win32/Win32UserInterface.h"

namespace quarrix::platform::win32 {

class Win32Platform {
 public:
  Win32Platform() = default;
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  Platform AsPlatform() {
    return Platform{files_, registry_, system_, ui_, archive_, clock_, threads_, installer_, ini_, environment_,
                    processes_, services_, tasks_, internet_, plugins_, toolkit_};
  }

 private:
  Win32FileSystem files_;
  Win32Registry registry_;
  Win32SystemInfo system_;
  // Holds on to the toolkit (declared last) for the owner of its boxes; it does not use it yet.
  Win32UserInterface ui_{toolkit_};
  Win32ArchiveLibrary archive_;
  Win32Clock clock_;
  Win32Threads threads_;
  Win32Installer installer_;
  Win32IniFiles ini_;
  Win32Environment environment_;
  Win32Processes processes_;
  Win32Services services_;
  Win32Tasks tasks_;
  Win32Internet internet_;
  Win32Plugins plugins_;
  Win32Toolkit toolkit_;
};

}  // namespace quarrix::platform::win32
