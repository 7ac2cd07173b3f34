// The single-instance channel's framing: a byte count, then the message. Properties: a frame
// never yields more than it announces or more than the cap, and a framed message reads back.
#include "fuzzcheck.h"
#include "qtlocalpeer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    QByteArray body;
    const QtLocalPeer::FrameState state = QtLocalPeer::ReadFrame(input, &body);
    FUZZ_CHECK(body.size() <= qsizetype(QtLocalPeer::kMaxMessageBytes));
    FUZZ_CHECK(state != QtLocalPeer::FrameState::Complete || input.mid(4).startsWith(body));
    FUZZ_CHECK(QtLocalPeer::ReadFrame(QtLocalPeer::Frame(input), &body) == QtLocalPeer::FrameState::Complete
               && body == input);
    return 0;
}
