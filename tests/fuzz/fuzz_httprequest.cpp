// The service simulator's HTTP request parser, fed in pieces, and the form fields it reads
// from a body. Property: form encoding round-trips (the client's encoder, the simulator's
// decoder).
#include "api/vpnapimessage.h"
#include "fuzzcheck.h"
#include "httprequestparser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    if (input.isEmpty())
        return 0;
    const qsizetype step = 1 + quint8(input.at(0));
    HttpRequestParser parser;
    HttpRequestParser::State state = HttpRequestParser::State::Incomplete;
    for (qsizetype at = 1; at < input.size() && state == HttpRequestParser::State::Incomplete; at += step)
        state = parser.Feed(input.mid(at, step));
    if (state == HttpRequestParser::State::Complete) {
        const HttpRequest& request = parser.Request();
        request.FormFields();
        request.Path();
        FUZZ_CHECK(request.body.size() <= HttpRequestParser::MaxBodyBytes);
    }
    if (state == HttpRequestParser::State::Invalid)
        FUZZ_CHECK(parser.ErrorStatus() >= 400);

    // Key and value from the input's two halves (UTF-8, as the client sends them).
    VPNApiMessage message;
    const QString key = QString::fromUtf8(input.left(input.size() / 2));
    const QString value = QString::fromUtf8(input.mid(input.size() / 2));
    message.parameters.insert(key, value);
    const QMap<QString, QString> decoded = ParseFormFields(EncodedParameters(message));
    FUZZ_CHECK(decoded == message.parameters);
    return 0;
}
