#pragma once
// Lead-byte tests of double-byte ANSI code pages. The running program uses the
// system's own (IsDBCSLeadByte); the host tests inject these.

namespace zez {

// Tells whether a byte starts a double-byte character in some code page.
using TLeadByteTest = bool (*)(unsigned char byte);

// Single-byte code pages such as 1252 have no lead bytes.
inline bool NoLeadBytes(unsigned char) { return false; }

// Code page 936 (GBK): lead bytes 0x81..0xFE.
inline bool IsLeadByte936(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

// Code page 932 (Shift JIS): lead bytes 0x81..0x9F and 0xE0..0xFC.
inline bool IsLeadByte932(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

}  // namespace zez
