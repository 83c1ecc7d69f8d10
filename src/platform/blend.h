// Pixel compositing for the per-frame drawing: solid fills, solid colour through an 8-bit
// coverage mask, and premultiplied image stamps, onto 32-bit pixels (0xAARRGGBB, premultiplied).
// The arithmetic is the one pixman uses for the same operators, so the results are identical
// to cairo's, while nothing here touches the heap.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace blend {

// A 32-bit drawing target.
struct Surface {
  uint8_t* data = nullptr;
  int64_t stride = 0, width = 0, height = 0;
  uint32_t* Row(int64_t y) const { return reinterpret_cast<uint32_t*>(data + y * stride); }
};

// An 8-bit coverage mask.
struct Mask {
  const uint8_t* data = nullptr;
  int64_t stride = 0, width = 0, height = 0;
};

// x * a / 255, rounded as pixman rounds, on two channels packed as 0x00XX00YY.
inline uint32_t MulPair(uint32_t pair, uint32_t a) {
  uint32_t t = (pair & 0xFF00FFu) * a + 0x800080u;
  return ((t + ((t >> 8) & 0xFF00FFu)) >> 8) & 0xFF00FFu;
}

// Every channel of a pixel times a / 255.
inline uint32_t Mul(uint32_t pixel, uint32_t a) { return MulPair(pixel, a) | MulPair(pixel >> 8, a) << 8; }

// Channel-wise saturating sum.
inline uint32_t AddSat(uint32_t x, uint32_t y) {
  uint32_t lo = (x & 0xFF00FFu) + (y & 0xFF00FFu);
  lo |= 0x1000100u - ((lo >> 8) & 0xFF00FFu);
  uint32_t hi = ((x >> 8) & 0xFF00FFu) + ((y >> 8) & 0xFF00FFu);
  hi |= 0x1000100u - ((hi >> 8) & 0xFF00FFu);
  return (lo & 0xFF00FFu) | (hi & 0xFF00FFu) << 8;
}

// Porter-Duff OVER of a premultiplied source pixel onto a destination pixel.
inline uint32_t Over(uint32_t src, uint32_t dst) { return AddSat(src, Mul(dst, 255 - (src >> 24))); }

// The premultiplied pixel of a colour (red in the low byte) with alpha a, converted through
// 16-bit channels as cairo converts a source colour.
inline uint32_t Premultiplied(uint32_t colour, uint32_t a) {
  auto channel = [a](uint32_t c) {
    const double v = (c / 255.0) * (a / 255.0);
    return static_cast<uint32_t>(static_cast<uint16_t>(v * 65535.0 + 0.5)) >> 8;
  };
  return a << 24 | channel(colour & 0xFF) << 16 | channel(colour >> 8 & 0xFF) << 8 | channel(colour >> 16 & 0xFF);
}

// Fills a clipped rectangle with a premultiplied pixel: a plain store when opaque, OVER otherwise.
inline void FillRect(const Surface& s, int64_t x, int64_t y, int64_t w, int64_t h, uint32_t src) {
  const int64_t x0 = x < 0 ? 0 : x, y0 = y < 0 ? 0 : y;
  const int64_t x1 = x + w > s.width ? s.width : x + w, y1 = y + h > s.height ? s.height : y + h;
  if (x0 >= x1 || y0 >= y1) return;
  const bool opaque = (src >> 24) == 0xFF;
  for (int64_t row = y0; row < y1; ++row) {
    uint32_t* p = s.Row(row);
    if (opaque) {
      std::fill(p + x0, p + x1, src);
    } else {
      for (int64_t col = x0; col < x1; ++col) p[col] = Over(src, p[col]);
    }
  }
}

#if defined(__SSE2__)
// Four channels of two pixels in 16-bit lanes, each times the matching lane of a / 255 (rounded
// as Mul rounds).
inline __m128i MulLanes(__m128i v, __m128i a) {
  const __m128i t = _mm_adds_epu16(_mm_mullo_epi16(v, a), _mm_set1_epi16(0x80));
  return _mm_mulhi_epu16(t, _mm_set1_epi16(0x101));
}

// The alpha lane of each of two pixels, repeated over its four lanes.
inline __m128i AlphaLanes(__m128i v) {
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(3, 3, 3, 3));
}

// Over(Mul(src, c), dst) for four pixels at once, c being four coverage bytes.
inline void MaskFour(uint32_t* p, uint32_t cover4, __m128i src16) {
  const __m128i zero = _mm_setzero_si128();
  __m128i c = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(cover4)), zero);
  c = _mm_unpacklo_epi16(c, c);
  const __m128i inLo = MulLanes(src16, _mm_unpacklo_epi32(c, c));
  const __m128i inHi = MulLanes(src16, _mm_unpackhi_epi32(c, c));
  const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i ff = _mm_set1_epi16(0xFF);
  const __m128i dLo = MulLanes(_mm_unpacklo_epi8(d, zero), _mm_xor_si128(AlphaLanes(inLo), ff));
  const __m128i dHi = MulLanes(_mm_unpackhi_epi8(d, zero), _mm_xor_si128(AlphaLanes(inHi), ff));
  const __m128i out = _mm_adds_epu8(_mm_packus_epi16(inLo, inHi), _mm_packus_epi16(dLo, dHi));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), out);
}
#endif

// Composites a premultiplied solid pixel through a coverage mask placed at (x, y). Text masks are
// mostly empty, so uncovered stretches are skipped several pixels at a time.
inline void MaskSolid(const Surface& s, const Mask& m, int64_t x, int64_t y, uint32_t src) {
  const int64_t x0 = x < 0 ? -x : 0, y0 = y < 0 ? -y : 0;
  const int64_t x1 = x + m.width > s.width ? s.width - x : m.width;
  const int64_t y1 = y + m.height > s.height ? s.height - y : m.height;
  const bool opaque = (src >> 24) == 0xFF;
#if defined(__SSE2__)
  const __m128i src16 =
      _mm_unpacklo_epi64(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(src)), _mm_setzero_si128()),
                         _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(src)), _mm_setzero_si128()));
#endif
  for (int64_t my = y0; my < y1; ++my) {
    const uint8_t* cover = m.data + my * m.stride;
    uint32_t* p = s.Row(y + my) + x;
    int64_t mx = x0;
#if defined(__SSE2__)
    for (; mx + 4 <= x1; mx += 4) {
      uint32_t four;
      std::memcpy(&four, cover + mx, 4);
      if (four == 0) continue;
      if (four == 0xFFFFFFFFu && opaque) {
        p[mx] = p[mx + 1] = p[mx + 2] = p[mx + 3] = src;
        continue;
      }
      MaskFour(p + mx, four, src16);
    }
#endif
    for (; mx < x1; ++mx) {
      const uint32_t c = cover[mx];
      if (c == 0xFF) {
        p[mx] = opaque ? src : Over(src, p[mx]);
      } else if (c != 0) {
        p[mx] = Over(Mul(src, c), p[mx]);
      }
    }
  }
}

// Composites a premultiplied image at (x, y) by OVER; an image without alpha, or one known to be
// opaque everywhere, is copied row by row.
inline void Stamp(const Surface& s, const Surface& img, bool hasAlpha, int64_t x, int64_t y) {
  const int64_t x0 = x < 0 ? -x : 0, y0 = y < 0 ? -y : 0;
  const int64_t x1 = x + img.width > s.width ? s.width - x : img.width;
  const int64_t y1 = y + img.height > s.height ? s.height - y : img.height;
  if (x0 >= x1) return;
  for (int64_t iy = y0; iy < y1; ++iy) {
    const uint32_t* from = img.Row(iy);
    uint32_t* p = s.Row(y + iy) + x;
    if (!hasAlpha) {
      std::memcpy(p + x0, from + x0, static_cast<size_t>(x1 - x0) * 4);
      continue;
    }
    for (int64_t ix = x0; ix < x1; ++ix) {
      const uint32_t src = from[ix];
      if ((src >> 24) == 0xFF) {
        p[ix] = src;
      } else if (src != 0) {
        p[ix] = Over(src, p[ix]);
      }
    }
  }
}

// Whether every pixel of a premultiplied image is opaque.
inline bool Opaque(const Surface& img) {
  for (int64_t y = 0; y < img.height; ++y) {
    const uint32_t* row = img.Row(y);
    for (int64_t x = 0; x < img.width; ++x)
      if ((row[x] >> 24) != 0xFF) return false;
  }
  return true;
}

}  // namespace blend
