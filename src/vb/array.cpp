#include <algorithm>

#include "vb/error.h"
#include "vb/variant.h"

namespace tolvex::vb {

namespace {
size_t element_count(const std::vector<Array::Bound>& bounds) {
  if (bounds.empty()) return 0;
  size_t n = 1;
  for (const auto& b : bounds) {
    if (b.count < 0) raise(err::kSubscriptOutOfRange);
    n *= size_t(b.count);
    if (n > (size_t(1) << 31)) raise(err::kOutOfMemory);
  }
  return n;
}
}  // namespace

Array::Array(VarType element_type, std::vector<Bound> bounds)
    : element_type_(element_type), bounds_(std::move(bounds)) {
  if (bounds_.size() > 60) raise(err::kSubscriptOutOfRange);
  const size_t n = element_count(bounds_);
  held_.grow_to(n * sizeof(Variant));
  data_.assign(n, empty_element());
  held_.settle(data_.capacity() * sizeof(Variant));
}

Array::Array(std::vector<Variant> items)
    : element_type_(VarType::Variant),
      bounds_{{0, int32_t(items.size())}},
      held_(items.capacity() * sizeof(Variant)),
      data_(std::move(items)) {}

Variant Array::empty_element() const {
  if (element_type_ == VarType::Byte) return Variant(uint8_t(0));
  return Variant();
}

int32_t Array::lbound(int dim) const {
  if (dim < 1 || dim > dims()) raise(err::kSubscriptOutOfRange);
  return bounds_[dim - 1].lower;
}

int32_t Array::ubound(int dim) const {
  if (dim < 1 || dim > dims()) raise(err::kSubscriptOutOfRange);
  return bounds_[dim - 1].lower + bounds_[dim - 1].count - 1;
}

Variant& Array::at(std::span<const int32_t> idx) {
  return const_cast<Variant&>(static_cast<const Array*>(this)->at(idx));
}

const Variant& Array::at(std::span<const int32_t> idx) const {
  if (idx.size() != bounds_.size()) raise(err::kSubscriptOutOfRange);
  size_t flat = 0;
  size_t stride = 1;
  for (size_t d = 0; d < idx.size(); ++d) {
    int64_t off = int64_t(idx[d]) - bounds_[d].lower;
    if (off < 0 || off >= bounds_[d].count) raise(err::kSubscriptOutOfRange);
    flat += size_t(off) * stride;
    stride *= size_t(bounds_[d].count);
  }
  return data_[flat];
}

void Array::redim(std::vector<Bound> bounds, bool preserve) {
  if (fixed_ || locks_ > 0) raise(err::kArrayFixedOrLocked);
  if (bounds.size() > 60 || bounds.empty()) raise(err::kSubscriptOutOfRange);
  size_t n = element_count(bounds);
  if (!preserve || data_.empty() || bounds_.empty()) {
    if (n > data_.capacity() || n < data_.capacity() / 4) {
      // The old elements go before the new ones are made: they never take room together.
      held_.grow_to(n * sizeof(Variant));
      std::vector<Variant>().swap(data_);
    }
    bounds_ = std::move(bounds);
    data_.assign(n, empty_element());
    held_.settle(data_.capacity() * sizeof(Variant));
    return;
  }
  if (bounds.size() != bounds_.size()) raise(err::kSubscriptOutOfRange);
  for (size_t d = 0; d + 1 < bounds.size(); ++d) {
    if (bounds[d].count != bounds_[d].count || bounds[d].lower != bounds_[d].lower)
      raise(err::kSubscriptOutOfRange);
  }
  // Column-major layout: changing the last dimension keeps the leading elements.
  if (n > data_.capacity()) reserve(n);
  bounds_ = std::move(bounds);
  data_.resize(n, empty_element());
}

void Array::reserve(size_t n) {
  if (n <= data_.capacity()) return;
  // The elements move to the new storage while the old is still there.
  held_.grow_to(held_.bytes() + n * sizeof(Variant));
  try {
    data_.reserve(n);
  } catch (...) {
    held_.settle(data_.capacity() * sizeof(Variant));
    throw;
  }
  held_.settle(data_.capacity() * sizeof(Variant));
}

void Array::erase() {
  if (locks_ > 0) raise(err::kArrayFixedOrLocked);
  if (fixed_) {
    std::fill(data_.begin(), data_.end(), empty_element());
    return;
  }
  bounds_.clear();
  std::vector<Variant>().swap(data_);
  held_.settle(0);
}

}  // namespace tolvex::vb
