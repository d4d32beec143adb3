#pragma once
// The client's own rule for the pictures stored in the skin archive: a BMP
// whose info header is taken to be the 40-byte form, with the rows located
// from the bit count and biClrUsed rather than from the file header's pixel
// offset. Skins made by older tools depend on exactly this placement, so the
// general BMP reader is not used for them. Unlike the rule as first written,
// every offset and size is checked against the bytes: a header that points
// past the end or claims more rows than the bytes hold gives no bitmap.

#include <optional>
#include <string>
#include <string_view>

#include "codecs/bitmap.h"

namespace codecs {

/// Decodes the bytes of a skin picture member. nullopt + error (when given)
/// for bytes that do not start with "BM", a run-length or other compression,
/// an unusable bit count or size, or any table or row that lies past the end.
/// Every pixel comes back opaque; the pages decide what is transparent.
std::optional<Bitmap> DecodeSkinBitmap(std::string_view bytes, std::string* error = nullptr);

}  // namespace codecs
