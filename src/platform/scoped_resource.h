// One owner for every kind of system handle: move-only, released on every
// way out through its traits. Traits give `Handle`, `static Handle Invalid()`
// and `bool Free(Handle)`; traits that close through an interface carry a
// pointer to it, stateless ones cost nothing (empty base).
#pragma once

#include <utility>

namespace platform {

template <typename Traits>
class ScopedResource : private Traits {
 public:
  using Handle = typename Traits::Handle;

  ScopedResource() = default;
  explicit ScopedResource(Handle handle, Traits traits = Traits())
      : Traits(traits), handle_(handle) {}
  ~ScopedResource() { reset(); }

  ScopedResource(ScopedResource&& other) noexcept
      : Traits(static_cast<const Traits&>(other)), handle_(other.release()) {}
  ScopedResource& operator=(ScopedResource&& other) noexcept {
    if (this != &other) {
      reset(other.release());
      static_cast<Traits&>(*this) = static_cast<const Traits&>(other);
    }
    return *this;
  }
  ScopedResource(const ScopedResource&) = delete;
  ScopedResource& operator=(const ScopedResource&) = delete;

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Traits::Invalid(); }

  Handle release() {
    Handle handle = handle_;
    handle_ = Traits::Invalid();
    return handle;
  }
  void reset(Handle handle = Traits::Invalid()) { Close(); handle_ = handle; }
  // Releases now; false when there was nothing to release or releasing
  // failed (a file's last write can fail only here).
  bool Close() {
    if (handle_ == Traits::Invalid()) return false;
    const bool freed = Traits::Free(release());
    return freed;
  }

 private:
  Handle handle_ = Traits::Invalid();
};

}  // namespace platform
