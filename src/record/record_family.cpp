#include "record/record_family.h"

#include <charconv>

#include "record/shared_status.h"

namespace {

constexpr std::string_view kFirst = kSharedStatusName;

}  // namespace

int FamilyRecordIndex(std::string_view name) {
    if (name == kFirst) return 1;
    if (name.size() <= kFirst.size() + 1 || name.substr(0, kFirst.size()) != kFirst || name[kFirst.size()] != '_') {
        return 0;
    }
    const std::string_view digits = name.substr(kFirst.size() + 1);
    // One spelling a place: no sign, no leading zero, nothing after the number.
    if (digits.front() == '0') return 0;
    int index = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
    if (error != std::errc{} || end != digits.data() + digits.size()) return 0;
    return index >= 2 && index <= kMaxClientRecords ? index : 0;
}
