// Building short texts for drawing without touching the heap, and the rounding of text sizes.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string_view>

// A fixed-size text built with <<; whatever does not fit is cut off.
class TextBuf {
 public:
  TextBuf& operator<<(std::string_view s) {
    for (char ch : s) {
      if (len_ + 1 >= static_cast<int>(sizeof data_)) break;
      data_[len_++] = ch;
    }
    data_[len_] = 0;
    return *this;
  }
  // Decimal digits, a leading "-" for negatives, no grouping.
  TextBuf& operator<<(int64_t v) {
    char digits[24];
    const int n = std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(v));
    return *this << std::string_view(digits, n > 0 ? static_cast<size_t>(n) : 0);
  }
  TextBuf& operator<<(int v) { return *this << static_cast<int64_t>(v); }
  std::string_view view() const { return {data_, static_cast<size_t>(len_)}; }
  const char* c_str() const { return data_; }
  void clear() {
    len_ = 0;
    data_[0] = 0;
  }

 private:
  char data_[128] = {};
  int len_ = 0;
};

// Nearest integer, an exact half to the even neighbour.
inline int64_t RoundHalfEven(double v) { return static_cast<int64_t>(std::nearbyint(v)); }
