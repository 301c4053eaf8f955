#include <new>

#include "package/whole_file.h"

std::uint8_t* MakeRoom(ReadBuffer& buffer, std::size_t size) {
  if (size > buffer.capacity) {
    buffer.bytes.reset();  // the old bytes are not needed: never hold both
    buffer.bytes.reset(new (std::nothrow) std::uint8_t[size]);
    buffer.capacity = buffer.bytes ? size : 0;
  }
  return buffer.bytes.get();
}
