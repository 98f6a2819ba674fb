// Parses a constraint range (the generic grammar over a package manager's
// order or the default one, Debian's dialect, or a vers text) from the
// fuzzer's bytes, then checks a few versions against it: a parse either
// fails cleanly or gives a range whose key path answers as its compare path
// does. The texts sit in buffers of their exact size, so ASan catches a read
// past the end; LeakSanitizer catches a range a failed parse left behind.
#include <string_view>

#include "fuzz_input.h"
#include "version/ranges/generic.h"
#include "version/ranges/vers.h"
#include "version/schemes/schemes.h"

namespace korvel::fuzzing {
namespace {

void check_generic(const generic_order& order, generic_dialect dialect, std::string_view text,
                   fuzz_input& input) {
  generic_range* range = nullptr;
  const range_status status = parse_generic_range(order, dialect, text, &range);
  KORVEL_FUZZ_CHECK((status == range_status::ok) == (range != nullptr));
  KORVEL_FUZZ_CHECK(status != range_status::bare_deb_relation ||
                    dialect == generic_dialect::debian);
  if (range == nullptr) return;
  for (int i = 0; i < 4 && input.size > 0; ++i) {
    const exact_copy version(input.take_sized());
    const range_answer answer = generic_range_answer(order, *range, version.view());
    KORVEL_FUZZ_CHECK((answer == range_answer::invalid) ==
                      !order.valid(order.context, version.view()));
    if (answer != range_answer::invalid)
      KORVEL_FUZZ_CHECK((answer == range_answer::yes) ==
                        generic_range_holds_compare(order, *range, version.view()));
  }
  release_generic_range(range);
}

void check_vers(std::string_view text, fuzz_input& input) {
  vers_range* range = nullptr;
  const range_status status = parse_vers_range(text, &range);
  KORVEL_FUZZ_CHECK(status == range_status::ok || status == range_status::malformed);
  if (status != range_status::ok) return;
  const scheme_row* row = vers_row(*range);
  for (int i = 0; row != nullptr && i < 4 && input.size > 0; ++i) {
    const exact_copy version(input.take_sized());
    if (!row->scheme->valid(version.view())) continue;
    KORVEL_FUZZ_CHECK(vers_contains(*range, version.view()) ==
                      vers_contains_compare(*range, version.view()));
  }
  release_vers_range(range);
}

}  // namespace
}  // namespace korvel::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace korvel;
  using namespace korvel::fuzzing;
  fuzz_input input{data, size};
  // Which grammar: a row of the scheme table, the default order, or vers.
  const unsigned mode = input.take_byte() % (kSchemeRowCount + 2);
  const separator_set separators = take_separators(input);
  const exact_copy text(input.take_sized());
  if (mode == kSchemeRowCount + 1) {
    check_vers(text.view(), input);
  } else if (mode == kSchemeRowCount) {
    check_generic(default_order(separators), generic_dialect::plain, text.view(), input);
  } else {
    const scheme_row& row = kSchemeRows[mode];
    const generic_dialect dialect =
        row.ranges == &DEB_RANGES ? generic_dialect::debian : generic_dialect::plain;
    check_generic(scheme_order(*row.scheme), dialect, text.view(), input);
  }
  return 0;
}
