# Sourced: picks Wine's loaders.  ZEZ_WINE64 runs 64-bit programs, ZEZ_WINE32
# 32-bit ones; zez_wine32_works tells whether this machine can run the latter
# (some kernels run no 32-bit code at all, and then Wine's 32-bit loader fails).
ZEZ_WINE64=/usr/lib/wine/wine64
[ -x "$ZEZ_WINE64" ] || ZEZ_WINE64=$(command -v wine64 || echo wine64)
ZEZ_WINE32=/usr/lib/wine/wine
[ -x "$ZEZ_WINE32" ] || ZEZ_WINE32=$(command -v wine || echo wine)
zez_wine32_works() { "$ZEZ_WINE32" --version >/dev/null 2>&1; }
# zez_wine_for FILE: the loader for that PE file (PE32+ has magic 0x20b).
zez_wine_for() {
  local off magic
  off=$(od -An -t u4 -j 60 -N 4 "$1" 2>/dev/null | tr -d ' ')
  magic=$(od -An -t x2 -j $((off + 24)) -N 2 "$1" 2>/dev/null | tr -d ' ')
  if [ "$magic" = "020b" ]; then echo "$ZEZ_WINE64"; else echo "$ZEZ_WINE32"; fi
}
