// The check between a download and its start: the file must be the one the
// server named by its SHA-256, and stay that file until it has started.
#pragma once

#include <memory>
#include <string>

#include "platform/file_reader.h"

// Opens `path` for reading with no write sharing (nobody can change or
// replace it while it is open) and checks that its SHA-256 is `sha256`
// (64 lower-case hex digits). Returns the open file, to be held until the
// installer has started; null with the reason in `failure` when the file
// cannot be read or its digest differs.
std::unique_ptr<platform::ReadableFile> OpenVerifiedFile(platform::FileReaders& readers,
                                                         const std::wstring& path,
                                                         const std::string& sha256,
                                                         std::wstring& failure);
