// The locale documents are stored in the executable as raw deflate streams
// (RFC 1951, no zlib or gzip framing), compressed when the resources are
// built (cmake/LocaleResources.cmake); this undoes that with the inflater
// of compression/inflater.h, bounded and whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Larger than any document we ship by far; a stream that inflates beyond it
// is refused rather than grown without end.
constexpr std::size_t kMaxLocaleDocumentBytes = 1u << 20;

// The whole stream inflated into `text`. False (and `text` empty) when the
// stream is malformed, does not end where the bytes end, or inflates to more
// than kMaxLocaleDocumentBytes.
bool InflateLocaleDocument(const std::uint8_t* data, std::size_t size, std::string& text);
