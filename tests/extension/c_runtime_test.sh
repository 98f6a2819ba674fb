#!/usr/bin/env bash
# c_runtime_test.sh LIBRARY.so ARCHIVE.a: both builds need the C run time
# alone. The shared object lists only libc as needed, and neither it nor any
# object of the archive refers to the C++ run time: the standard library, its
# exceptions and guards, RTTI, operator new/delete or the unwinder.
set -euo pipefail
library=$1 archive=$2
status=0

needed=$(readelf -d "$library" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
if [ "$needed" != "libc.so.6" ]; then
  echo "$library needs more than libc:" $needed; status=1
fi

# crtbegin's weak reference to libc's __cxa_finalize is not ours.
cxx='^(_ZSt|_ZNSt|_ZNKSt|_ZTVN10__cxxabiv1|_ZTI|_ZTS|_Znw|_Zna|_Zdl|_Zda|__cxa_|__gxx_|__dynamic_cast|_Unwind_)'
for file in "$library" "$archive"; do
  found=$(nm -u "$file" | awk '{sub(/@.*/, "", $NF); print $NF}' | grep -E "$cxx" | grep -vx '__cxa_finalize' | sort -u || true)
  if [ -n "$found" ]; then
    printf '%s refers to the C++ run time:\n%s\n' "$file" "$(c++filt <<<"$found")"; status=1
  fi
done
[ "$status" -eq 0 ] && echo "needs only $needed; no C++ run-time symbols in $(basename "$library") or $(basename "$archive")"
exit "$status"
