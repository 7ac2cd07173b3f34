#pragma once

#include <QString>

// Exactly four dotted decimal octets ("10.8.0.2"), the only form of IPv4 address the service
// and OpenVPN write. Qt's address parser also takes short forms such as "10.1" or "1".
bool IsDottedQuad(const QString& text);
