// Text digests and encodings used when the installer identifies itself and
// its offers: SHA-256 (analytics signature), MD5 (the "account_md5"
// placeholder), base 62 (the "pxl" placeholder and offer identities) and a
// comma join (rule reasons).
#pragma once

#include <string>
#include <vector>

#include "platform/code_pages.h"
#include "platform/crypto.h"

// SHA-256 of the bytes, 64 lower-case hexadecimal digits.
std::string Sha256Hex(const std::string& text);

// MD5 through CryptoAPI of the text in the thread's ANSI code page, 32
// lower-case hexadecimal digits; empty when any step fails.
std::string Md5Hex(platform::Crypto& crypto, platform::CodePages& codePages,
                   const std::wstring& text);

// The bytes read as one big-endian unsigned number, in base 62 with the
// digits "0-9a-zA-Z", most significant first. Leading zero bytes add nothing,
// so zero bytes alone give "". Throws std::runtime_error("Non-zero carry")
// if the working buffer were ever too small.
std::string Base62Encode(const std::string& bytes);

// The texts separated by single commas.
std::string JoinWithCommas(const std::vector<std::string>& texts);
