// The service simulator's multipart/form-data parser with the boundary of the Content-Type
// value. Property: the support ticket the client builds parses back into its fields and files.
#include "api/vpnmessagequeue.h"
#include "fuzzcheck.h"
#include "multipartparser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    // The first line is the Content-Type value, the rest the body.
    const qsizetype lineEnd = input.indexOf('\n');
    const QByteArray boundary = MultipartParser::BoundaryOf(lineEnd < 0 ? input : input.left(lineEnd));
    QList<MultipartPart> parts;
    if (!boundary.isEmpty() && MultipartParser::Parse(input.mid(lineEnd + 1), boundary, &parts)) {
        for (const MultipartPart& part : std::as_const(parts))
            part.Header("Content-Disposition");
    }

    const QByteArray file = input.left(input.size() / 2);
    SupportTicketFields fields;
    fields.email = QString::fromLatin1(input.mid(input.size() / 2, 40)).remove(QLatin1Char('\r'));
    const QByteArray body
        = VPNMessageQueue::BuildSupportTicketBody(QStringLiteral("KEY"), fields, file, input);
    parts.clear();
    FUZZ_CHECK(MultipartParser::Parse(body, VPNMessageQueue::SupportTicketBoundary, &parts));
    FUZZ_CHECK(parts.size() == 5);
    FUZZ_CHECK(QByteArray::fromBase64(parts.at(3).content) == file);
    FUZZ_CHECK(QByteArray::fromBase64(parts.at(4).content) == input);
    return 0;
}
