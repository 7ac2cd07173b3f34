// The log's scrambled text and the support report's readable copy of it. Properties: scrambling
// is undone by unscrambling, and a masked secret never appears in the masked text.
#include "fuzzcheck.h"
#include "support/loghandler.h"
#include "support/logmask.h"
#include "support/supportreport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool silenced = (SilenceQtMessages(), true);
    Q_UNUSED(silenced);
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    LogHandler::UnscrambleLogText(text);
    SupportReport::ReadableLogLine(text);
    // The readable text ends at a NUL and has CR LF line ends.
    QString readable = text.left(text.indexOf(QChar(0)));
    readable.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    FUZZ_CHECK(LogHandler::UnscrambleLogText(LogHandler::ScrambleLogText(text)) == readable);
    // The first line is the secret, the rest the text it is masked in. A secret holding the
    // placeholder's "*" could be formed anew next to it, so those are left out.
    const QString secret = text.section(QLatin1Char('\n'), 0, 0);
    const QString masked = LogMask::MaskSecret(text.section(QLatin1Char('\n'), 1), secret);
    FUZZ_CHECK(secret.isEmpty() || secret.contains(QLatin1Char('*')) || !masked.contains(secret));
    return 0;
}
