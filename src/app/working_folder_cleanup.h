// Deleting the private working folder at the end of the wizard. What cannot
// be deleted now (a running installer, a file held open) is registered for
// deletion when Windows next starts, so nothing stays behind for long.
#pragma once

#include <string>

#include "platform/file_system.h"

class ConfigurationManager;

// Lets go of the settings' workFolder (held since its creation), deletes it
// with DeleteFolderRecursive, and removes it too when it was empty; an empty
// path is left alone.
void CleanupWorkingFolder(const ConfigurationManager& settings, platform::FileSystem& files);

// Deletes the content of `path`, depth first, and then the folder itself.
// Nothing happens when nothing exists at the path or when the folder is
// empty. Junctions and symbolic links are removed as links and never
// entered, so nothing outside `path` is touched. Failures are not reported:
// each path that still exists but cannot be removed is registered once for
// deletion at restart (links never are).
void DeleteFolderRecursive(platform::FileSystem& files, const std::wstring& path);
