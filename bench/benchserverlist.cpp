// Parsing a large server list: 10,000 endpoints (5,000 servers with one UDP and one TCP port).

#include "api/vpnapiserverlistresponse.h"

#include <QCoreApplication>
#include <QString>

#include <benchmark/benchmark.h>

namespace {

void Silent(QtMsgType, const QMessageLogContext&, const QString&) { }

QString GenerateServerList(int servers)
{
    QString xml = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><response><type>success</type>"
                                 "<message></message><data><servers>\n");
    for (int i = 0; i < servers; ++i) {
        xml += QStringLiteral(
                   "<server description=\"Germany Frankfurt %1 %2\" ip=\"198.51.%3.%4\" is_p2p=\"%5\" "
                   "load_percentage=\"%6\"><ports><port protocol=\"UDP\" is_preferable=\"%7\">1194</port>"
                   "<port protocol=\"TCP\" available=\"%8\">443</port></ports></server>\n")
                   .arg(i)
                   .arg(i % 3 == 0 ? QStringLiteral("P2P") : QStringLiteral("No P2P"))
                   .arg(i / 250)
                   .arg(i % 250)
                   .arg(i % 3 == 0 ? 1 : 0)
                   .arg(i % 100)
                   .arg(i % 50 == 0 ? 1 : 0)
                   .arg(i % 17 == 0 ? 0 : 1);
    }
    xml += QStringLiteral("</servers></data></response>\n");
    return xml;
}

void BM_ParseServerList(benchmark::State& state)
{
    const QString reply = GenerateServerList(int(state.range(0)) / 2);
    const QtMessageHandler previous = qInstallMessageHandler(Silent);
    VPNApiServerListResponse response;
    for (auto _ : state) {
        response.Parse(reply);
        benchmark::DoNotOptimize(response.UdpServers().size());
    }
    qInstallMessageHandler(previous);
    if (response.UdpServers().size() + response.TcpServers().size() != state.range(0))
        state.SkipWithError("wrong endpoint count");
    state.counters["endpoints"] = double(state.range(0));
    state.counters["reply_bytes"] = double(reply.toUtf8().size());
}
BENCHMARK(BM_ParseServerList)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
