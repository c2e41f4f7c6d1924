// The process-wide download manager, for window code and start-up only.
#pragma once

#include <memory>

#include "install/download_manager.h"
#include "install/download_platform.h"

// Created on first use (thread-safe) over the real Windows services and the
// process-wide settings object; each call hands out a new shared reference.
std::shared_ptr<DownloadManager> GetDownloadManager();

// The real Windows services a DownloadManager works through.
DownloadPlatform Win32DownloadPlatform();
