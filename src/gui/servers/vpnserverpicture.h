#pragma once

#include "api/vpnserver.h"

#include <QPixmap>
#include <QString>

// The picture of a server list row: the state icon (favorite, anchor and fastest marks plus a
// load bucket) with the flag of the server's country drawn onto its right-hand 16 pixels.
// Both images are compiled-in resources; the composed pictures are cached.
namespace VPNServerPicture {

// Resource folders of the state icons (70x25) and of the flags (16x25).
inline constexpr char StateIconFolder[] = ":/servers/resources/servers/";
inline constexpr char FlagFolder[] = ":/flags/resources/servers/flags/";
inline constexpr int FlagX = 54;

// "FavoriteOff" ... "AnchorFavoriteFastest", from the anchored, favorite and preferable marks.
QString StateName(const VPNServer& server);
// "00", "20", "35", "50", "65" or "80". The load is compared unsigned, so a negative load
// (a broken catalog entry) counts as very high rather than idle.
QString LoadBucket(int loadPercentage);
QString StateIconPath(const VPNServer& server);
// The flag for a display name, from the country name it begins with; unknown.png otherwise.
QString FlagPath(const QString& name);
// Needs a QGuiApplication (pixmaps).
QPixmap Compose(const VPNServer& server);

} // namespace VPNServerPicture
