// The settings file: any content read on top of the defaults, written back and read again
// gives the same record (what is written is what the program reads next time).
#include "fuzzcheck.h"
#include "settings/settingsfile.h"
#include "settings/vpnsettings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool silenced = (SilenceQtMessages(), true);
    Q_UNUSED(silenced);
    VPNSettings settings;
    SettingsFile::Parse(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), settings);
    const QByteArray written = SettingsFile::Serialize(settings);
    VPNSettings readBack;
    FUZZ_CHECK(SettingsFile::Parse(written, readBack));
    if (!(readBack == settings))
        std::fprintf(stderr, "written:\n%s\nread back and written:\n%s\n", written.constData(),
                     SettingsFile::Serialize(readBack).constData());
    FUZZ_CHECK(readBack == settings);
    FUZZ_CHECK(SettingsFile::Serialize(readBack) == written);
    return 0;
}
