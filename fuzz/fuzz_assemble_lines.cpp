// Arbitrary bytes through the receive path, in chunks whose sizes come from the input too, for
// both tuner models. The line buffer must stay within its bound whatever arrives.

#include "decoding/receiver.h"
#include "main_window/nav_form.h"
#include "nav/nav.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    velsor::Nav nav;
    nav.TunerType = (data[0] & 1) ? QStringLiteral("1") : QStringLiteral("0");
    velsor::NAV_FORM form(nav);
    form.PrepareDisplay();
    velsor::Receiver receiver(nav, form, nullptr);
    const std::size_t chunk = 1 + (data[0] >> 1); // 1 to 128 bytes
    for (std::size_t i = 1; i < size; i += chunk) {
        const std::size_t n = std::min(chunk, size - i);
        receiver.AssembleBytes(
            QByteArrayView(reinterpret_cast<const char*>(data + i), static_cast<qsizetype>(n)));
        if (nav.RxBuffer[1].size() > velsor::Receiver::kMaxLine)
            std::abort();
    }
    return 0;
}
