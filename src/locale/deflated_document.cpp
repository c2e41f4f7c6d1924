#include "locale/deflated_document.h"

#include "compression/inflater.h"

namespace {

// The whole document at once.
class WholeBuffer : public InflateSource {
 public:
  WholeBuffer(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Next(const std::uint8_t*& data, std::size_t& size) override {
    if (given_ || size_ == 0) return false;
    given_ = true;
    data = data_;
    size = size_;
    return true;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  bool given_ = false;
};

class BoundedText : public InflateSink {
 public:
  explicit BoundedText(std::string& text) : text_(text) {}
  bool Write(const std::uint8_t* data, std::size_t size) override {
    if (size > kMaxLocaleDocumentBytes - text_.size()) return false;
    text_.append(reinterpret_cast<const char*>(data), size);
    return true;
  }

 private:
  std::string& text_;
};

}  // namespace

bool InflateLocaleDocument(const std::uint8_t* data, std::size_t size, std::string& text) {
  text.clear();
  WholeBuffer source(data, size);
  BoundedText sink(text);
  const InflateResult result = Inflate(source, sink);
  if (result.status != InflateStatus::kDone || result.unusedInput != 0) {
    text.clear();
    return false;
  }
  return true;
}
