// An element of a saved file that no part of the program reads (a later version's, a
// user's own), kept by the object whose element holds it so that a save writes it back.
#pragma once

#include <cstdint>
#include <string>

namespace tolvex {

// Its whole XML text as it stood (UTF-8: attributes, children, text and comments written
// out again), and the number of the holder's other child elements before it, which places
// it among the children the next save writes; kAfterAll for one that followed them all,
// which stays after the children added since.
struct KeptElement {
  static constexpr uint32_t kAfterAll = UINT32_MAX;
  uint32_t position = 0;
  std::string xml;
};

}  // namespace tolvex
