// The "Date taken" text from an image's date value, over arbitrary UTF-16 text: one of its three
// answers, and the output terminated within its capacity.
#include "FuzzCheck.h"

#include "reports/ExifDate.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace scrutel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<char16_t> value = FuzzText(data, size, true);
    for (size_t capacity : {size_t{32}, size_t{64}}) {
        std::vector<char16_t> output(capacity, u'#');
        int rc = FormatDateTaken(value.data(), output.data(), capacity);
        FUZZ_CHECK(rc >= 0 && rc <= 2);
        if (rc != 0) FUZZ_CHECK(FuzzTerminated(output.data(), capacity));
    }
    return 0;
}
