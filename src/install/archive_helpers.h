// Between download and start: is the file an archive, and if it is a ZIP,
// which executable inside it to start.
#pragma once

#include <string>

#include "install/zip_extractor.h"
#include "platform/file_reader.h"
#include "platform/file_stream.h"
#include "platform/file_system.h"
#include "platform/zip_shell.h"

enum ArchiveKind { kArchiveNone = 0, kArchiveZip = 1, kArchive7Zip = 2 };

// The services PrepareInstaller works through; the process-wide ones are in
// platform/win32/win32_platform.h.
struct InstallerFiles {
  platform::FileSystem& files;
  platform::FileStreams& streams;
  platform::FileReaders& readers;
  platform::ZipShell& shell;
};

// From the first bytes: "PK\3\4" is a ZIP, "7z\xBC\xAF\x27\x1C" a 7-Zip
// archive; anything else, a shorter file or one that cannot be read is none.
ArchiveKind GetArchiveKind(platform::FileReaders& readers, const std::wstring& path);

// Creates a new folder in `base` named after the archive without its last
// extension ("setup.tool.zip" gives base\setup.tool); when that name is
// taken, "setup.tool-2" and so on: a folder that exists already, and
// whatever was planted in it, is never used. Names Windows would change
// are made safe first. Empty when no folder could be created.
std::wstring MakeExtractFolder(platform::FileSystem& files, const std::wstring& archive,
                               const std::wstring& base);

// The name (no folder) of the first plain file matching folder\*.exe, in
// the order the file system lists them; folders and links are passed over,
// and so are sub-folders' files. Empty when there is none, or when the
// pattern would not fit MAX_PATH (a shortened pattern would search elsewhere).
std::wstring FindFirstExe(platform::FileSystem& files, const std::wstring& folder);

// The file to start for a downloaded `path` of `kind`: anything but a ZIP
// (7-Zip included) is returned unchanged. A ZIP is unpacked into a new
// folder in `base`, by the shell's ZIP folder where it works and by the
// built-in extractor otherwise, and its first top-level executable is
// returned. When nothing could be unpacked or there is no executable, the
// archive's own path is returned (starting it then fails).
std::wstring PrepareInstaller(const InstallerFiles& platform, const std::wstring& path,
                              ArchiveKind kind, const std::wstring& base);
