// Installing the codec the way its users do, through its INF file: the DLL goes into the
// system directory (which a 32-bit process on 64-bit Windows sees redirected to syswow64), and
// the driver is named in the registry as "vidc.KVTC" = "kvtc.dll" under Drivers32 (in the
// 32-bit view, Wow6432Node, for a 32-bit host on 64-bit Windows).
#pragma once

#include <string>

namespace kvtc::wintest {

// True for a 32-bit process on 64-bit Windows.
bool RunsUnderWow64();
// The directory that holds drivers of this host's bitness, as the file system names it.
std::string DriverDirectory();
// A file in the system directory as the process names it (and as the codec does).
std::string SystemFile(const char* name);

// Runs the INF's DefaultInstall section, checks that the DLL and its Drivers32 value are where
// this host looks for them, and removes the settings file and error log that an earlier run
// left. False, after saying why, when any of it fails.
bool InstallCodec(const std::string& inf);
// Runs the INF's DefaultUninstall section; true when the DLL and its value are gone.
bool UninstallCodec(const std::string& inf);

// The file this process loaded kvtc.dll from; empty while it is not loaded.
std::string LoadedCodecPath();
// Case-insensitive equality of two Windows paths.
bool SamePath(const std::string& a, const std::string& b);

}  // namespace kvtc::wintest
