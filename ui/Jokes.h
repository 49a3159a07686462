// The Joke button's texts: fixed multibyte strings, each ending with a line
// end; the Chinese ones are GB2312 bytes, shown through code page 936.
#pragma once

#include <cstdint>

namespace qv {

inline constexpr int kJokeCount = 21;
inline constexpr uint32_t kJokeCodePage = 936;

// The text of one joke; "" outside 0 to 20.
const char* JokeText(int index);

}  // namespace qv
