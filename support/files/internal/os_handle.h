// An open file or folder of the system's, owned: a descriptor on POSIX, a
// HANDLE on Windows, as one integer type so that code above the platform
// files can hold one without naming the platform.
#pragma once

#include <cstdint>

namespace dvk::internal {

using os_handle_t = std::intptr_t;
// No descriptor is -1, and neither is a HANDLE (INVALID_HANDLE_VALUE).
inline constexpr os_handle_t noHandle = -1;

// Closes handle (os_handle_posix.cpp, os_handle_win32.cpp); false when the
// close reports a failure, which for a file that was written can be the only
// sign of bytes that never reached the disk (NFS, quotas, a share).
bool closeHandle(os_handle_t handle);

// Closes its handle on every way out.
class owned_handle_t {
 public:
  owned_handle_t() = default;
  explicit owned_handle_t(os_handle_t handle) : handle_(handle) {}
  ~owned_handle_t() { reset(); }
  owned_handle_t(owned_handle_t&& other) noexcept : handle_(other.release()) {}
  owned_handle_t& operator=(owned_handle_t&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  owned_handle_t(owned_handle_t const&) = delete;
  owned_handle_t& operator=(owned_handle_t const&) = delete;

  bool valid() const { return handle_ != noHandle; }
  os_handle_t get() const { return handle_; }
  void reset(os_handle_t handle = noHandle) {
    if (valid()) closeHandle(handle_);
    handle_ = handle;
  }
  os_handle_t release() {
    os_handle_t const handle = handle_;
    handle_ = noHandle;
    return handle;
  }
  // Closes now; false when the close failed (the handle is gone either way).
  bool close() { return !valid() || closeHandle(release()); }

 private:
  os_handle_t handle_ = noHandle;
};

}  // namespace dvk::internal
