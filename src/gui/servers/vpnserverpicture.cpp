#include "servers/vpnserverpicture.h"

#include <QPainter>
#include <QPixmapCache>

#include <cstdint>

namespace VPNServerPicture {

QString StateName(const VPNServer& server)
{
    // Indexed by anchored * 4 + favorite * 2 + preferable.
    static const char* const names[]
        = {"FavoriteOff", "Fastest",       "FavoriteOn",     "FavoriteFastest",
           "Anchor",      "AnchorFastest", "AnchorFavorite", "AnchorFavoriteFastest"};
    const int index = (server.anchored ? 4 : 0) + (server.favorite ? 2 : 0) + (server.preferable ? 1 : 0);
    return QLatin1String(names[index]);
}

QString LoadBucket(int loadPercentage)
{
    const auto load = static_cast<std::uint32_t>(loadPercentage);
    if (load > 80)
        return QStringLiteral("80");
    if (load > 65)
        return QStringLiteral("65");
    if (load > 50)
        return QStringLiteral("50");
    if (load > 35)
        return QStringLiteral("35");
    if (load > 20)
        return QStringLiteral("20");
    return QStringLiteral("00");
}

QString StateIconPath(const VPNServer& server)
{
    return QLatin1String(StateIconFolder) + StateName(server) + QStringLiteral("_percent_")
        + LoadBucket(server.loadPercentage) + QStringLiteral(".png");
}

QString FlagPath(const QString& name)
{
    // Tested in this order, case-sensitively; the first prefix the name starts with wins.
    static const struct
    {
        const char* prefix;
        const char* file;
    } table[] = {
        {"USA", "usa"},
        {"Germany", "germany"},
        {"Romania", "romania"},
        {"Poland", "poland"},
        {"Lithuania", "lithuania"},
        {"Latvia", "latvia"},
        {"Bulgaria", "bulgaria"},
        {"Estonia", "estonia"},
        {"Czech", "czech"},
        {"Denmark", "denmark"},
        {"Finland", "finland"},
        {"Italy", "italy"},
        {"Switzerland", "switzerland"},
        {"Netherlands", "netherlands"},
        {"Luxembourg", "luxembourg"},
        {"Belgium", "belgium"},
        {"UK", "uk"},
        {"France", "france"},
        {"Ireland", "ireland"},
        {"Spain", "spain"},
        {"Portugal", "portugal"},
        {"Russia", "russia"},
        {"Seychelles", "seychelles"},
        {"Canada", "canada"},
        {"Hong Kong", "hong_kong"},
        {"Costa Rica", "costa_rica"},
        {"Argentina", "argentina"},
        {"Brasil", "brazil"},
        {"Brazil", "brazil"},
        {"Mexico", "mexico"},
        {"South Africa", "south_africa"},
        {"Singapore", "singapore"},
        {"Japan", "japan"},
        {"Australia", "australia"},
        {"Israel", "israel"},
    };
    const char* file = "unknown";
    for (const auto& entry : table) {
        if (name.startsWith(QLatin1String(entry.prefix), Qt::CaseSensitive)) {
            file = entry.file;
            break;
        }
    }
    return QLatin1String(FlagFolder) + QLatin1String(file) + QStringLiteral(".png");
}

QPixmap Compose(const VPNServer& server)
{
    const QString iconPath = StateIconPath(server);
    const QString flagPath = FlagPath(server.name);
    const QString key = iconPath + QLatin1Char('|') + flagPath;
    QPixmap picture;
    if (QPixmapCache::find(key, &picture))
        return picture;
    picture = QPixmap(iconPath);
    if (!picture.isNull()) {
        QPainter painter(&picture);
        painter.drawPixmap(FlagX, 0, QPixmap(flagPath));
    }
    QPixmapCache::insert(key, picture);
    return picture;
}

} // namespace VPNServerPicture
