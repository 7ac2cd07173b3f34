// The update feed, which comes from the network: any text gives exactly one verdict, and
// whatever the dialog may show of it is safe to show: a version number where the feed was
// usable, links only to https pages, release notes without control characters.
#include "fuzzcheck.h"
#include "updater/appcast.h"
#include "updater/appcastautoupdater.h"

#include <QUrl>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool silenced = (SilenceQtMessages(), true);
    Q_UNUSED(silenced);
    static const QUrl feedUrl(QStringLiteral("https://www.norvane.example/updates/linux/appcast.xml"));
    const QByteArray feed(reinterpret_cast<const char*>(data), qsizetype(size));
    const UpdateCheckResult result = AppcastAutoUpdater::Evaluate(feed, feedUrl, QStringLiteral("1.2.3"));
    FUZZ_CHECK((result.outcome == UpdateCheckResult::Outcome::Failed) == !result.error.isEmpty());
    if (result.outcome == UpdateCheckResult::Outcome::Failed)
        return 0;
    FUZZ_CHECK(!result.version.isEmpty());
    for (const QUrl& link : {result.downloadUrl, result.releaseNotesLink})
        FUZZ_CHECK(link.isEmpty() || (link.scheme() == QLatin1String("https") && !link.host().isEmpty()));
    for (const QChar c : result.releaseNotes)
        FUZZ_CHECK(c == QLatin1Char('\n') || c == QLatin1Char('\t') || c.category() != QChar::Other_Control);
    return 0;
}
