// cdrdao's and cdrecord's output, arriving in chunks cut anywhere, into the
// burn window's events.

#include <cstdlib>

#include "FuzzSupport.h"
#include "burn/BurnOutputParser.h"

namespace {

// The same text fed whole and in pieces gives the same events.
void check(BurnOutputParser::Tool tool, const QString &output, qsizetype cut)
{
    BurnOutputParser whole(tool);
    const BurnEvents all = whole.feed(output);
    BurnOutputParser pieces(tool);
    BurnEvents parts = pieces.feed(output.left(cut));
    parts += pieces.feed(output.mid(cut));
    if (parts != all || pieces.pendingLine() != whole.pendingLine())
        std::abort();
    for (const BurnEvent &event : all) {
        if (event.kind == BurnEvent::Kind::Progress && (event.value < 0 || event.value > 100))
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QString output = FuzzSupport::text(data + 1, size - 1);
    const qsizetype cut = output.isEmpty() ? 0 : data[0] % (output.size() + 1);
    check(BurnOutputParser::Tool::Cdrdao, output, cut);
    check(BurnOutputParser::Tool::CdRecord, output, cut);
    return 0;
}
