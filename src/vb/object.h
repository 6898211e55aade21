// Reference-counted base of every object that scripts and the host can hold.
#pragma once

#include <cstdint>
#include <type_traits>
#include <utility>

namespace tolvex::vb {

// Intrusive reference count. Objects live on the heap and are held through Ref<T>.
// The count is not atomic: the engine runs on one thread.
class Object {
 public:
  Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  virtual ~Object() = default;

  void add_ref() const noexcept { ++refs_; }
  void release() const noexcept {
    if (--refs_ == 0) const_cast<Object*>(this)->final_release();
  }
  long ref_count() const noexcept { return refs_; }

 protected:
  // Runs when the last reference goes. Script classes override this to run
  // Class_Terminate (they may take a temporary reference while it runs).
  virtual void final_release() noexcept { delete this; }

 private:
  mutable long refs_ = 0;
};

template <class T>
class Ref {
 public:
  Ref() noexcept = default;
  Ref(std::nullptr_t) noexcept {}
  explicit Ref(T* p) noexcept : p_(p) {
    if (p_) p_->add_ref();
  }
  Ref(const Ref& o) noexcept : p_(o.p_) {
    if (p_) p_->add_ref();
  }
  Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  Ref(const Ref<U>& o) noexcept : p_(o.get()) {
    if (p_) p_->add_ref();
  }
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  Ref(Ref<U>&& o) noexcept : p_(o.detach()) {}
  ~Ref() {
    if (p_) p_->release();
  }
  Ref& operator=(Ref o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  T& operator*() const noexcept { return *p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  T* detach() noexcept { return std::exchange(p_, nullptr); }
  void reset() noexcept { Ref().swap(*this); }
  void swap(Ref& o) noexcept { std::swap(p_, o.p_); }

  friend bool operator==(const Ref& a, const Ref& b) noexcept { return a.p_ == b.p_; }
  friend bool operator==(const Ref& a, std::nullptr_t) noexcept { return a.p_ == nullptr; }

 private:
  T* p_ = nullptr;
};

template <class T, class... Args>
Ref<T> make_ref(Args&&... args) {
  return Ref<T>(new T(std::forward<Args>(args)...));
}

// Ref from a raw pointer to an object that is already held elsewhere (e.g. `this`).
template <class T>
Ref<T> ref_from(T* p) noexcept {
  return Ref<T>(p);
}

template <class T, class U>
Ref<T> ref_cast(const Ref<U>& r) noexcept {
  return Ref<T>(dynamic_cast<T*>(r.get()));
}

}  // namespace tolvex::vb
