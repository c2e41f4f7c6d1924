// The process-wide services of every Package (config/package.h), for window
// code and start-up only.
#pragma once

#include <memory>

#include "config/package.h"

// Created on first use (thread-safe) over the real Windows services, the
// settings object, the JSON client, the download manager and GDI+ picture
// decoding; each call hands out a new shared reference.
std::shared_ptr<const PackageServices> GetPackageServices();
