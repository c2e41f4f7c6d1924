// What the language manager needs from a page: a way to re-read its texts.
// Pages register themselves on construction and unregister on destruction.
#pragma once

class LocalizedPage {
 public:
  // Re-reads every bound text from the language manager. Called on every
  // registered page, in registration order, each time the language changes —
  // also on pages whose windows do not exist yet and on hidden pages.
  virtual void UpdateTexts() = 0;

 protected:
  ~LocalizedPage() = default;
};
