// Parsing a large server list: 10,000 endpoints (5,000 servers with one UDP and one TCP port),
// against one QXmlStreamReader pass over the same text that only counts the elements. Wall and
// CPU time both: on a shared machine the wall time mostly measures the neighbours. Besides
// the table on the console it prints "RESULT <name> <milliseconds> [<counter>=<value>...]" lines
// for tools/bench.sh.

#include "allocationcounter.h"
#include "api/vpnapiserverlistresponse.h"

#include <QCoreApplication>
#include <QString>
#include <QXmlStreamReader>

#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

void Silent(QtMsgType, const QMessageLogContext&, const QString&) { }

// The parse without the line that logs the whole reply.
class ServerListParser : public VPNApiServerListResponse
{
public:
    using VPNApiServerListResponse::ParseXml;
};

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

const QString& Reply()
{
    static const QString reply = GenerateServerList(5000);
    return reply;
}

qsizetype CountElements(const QString& text)
{
    QXmlStreamReader reader(text);
    qsizetype elements = 0;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement)
            ++elements;
    }
    return reader.hasError() ? -1 : elements;
}

void BM_ParseServerList(benchmark::State& state)
{
    const QString& reply = Reply();
    const QtMessageHandler previous = qInstallMessageHandler(Silent);
    VPNApiServerListResponse response;
    for (auto _ : state) {
        response.Parse(reply);
        benchmark::DoNotOptimize(response.UdpServers().size());
    }
    // Two more parses with fresh objects, counting what the parse itself holds at its peak, and
    // that with the log line of the whole reply.
    {
        ServerListParser counted;
        AllocationCounter::Start();
        counted.ParseXml(reply);
        state.counters["peak_bytes"] = double(AllocationCounter::Stop());
    }
    {
        VPNApiServerListResponse counted;
        AllocationCounter::Start();
        counted.Parse(reply);
        state.counters["peak_with_log_bytes"] = double(AllocationCounter::Stop());
    }
    qInstallMessageHandler(previous);
    // The list keeps the first MaxEndpoints endpoints.
    if (response.UdpServers().size() + response.TcpServers().size() != VPNApiServerListResponse::MaxEndpoints)
        state.SkipWithError("wrong endpoint count");
    state.counters["reply_bytes"] = double(reply.toUtf8().size());
}
BENCHMARK(BM_ParseServerList)->Unit(benchmark::kMillisecond);

void BM_CountElementsFloor(benchmark::State& state)
{
    const QString& reply = Reply();
    for (auto _ : state)
        benchmark::DoNotOptimize(CountElements(reply));
    AllocationCounter::Start();
    const qsizetype elements = CountElements(reply);
    state.counters["peak_bytes"] = double(AllocationCounter::Stop());
    if (elements != 5 + 4 * 5000)
        state.SkipWithError("wrong element count");
}
BENCHMARK(BM_CountElementsFloor)->Unit(benchmark::kMillisecond);

// The console table, and one line per median for the script.
class ResultReporter : public benchmark::ConsoleReporter
{
public:
    // No colours: the lines are read by a script.
    ResultReporter()
        : ConsoleReporter(OO_None)
    { }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median")
                continue;
            const double ms
                = run.GetAdjustedRealTime() * (run.time_unit == benchmark::kMillisecond ? 1.0 : 1e-6);
            const double cpuMs
                = run.GetAdjustedCPUTime() * (run.time_unit == benchmark::kMillisecond ? 1.0 : 1e-6);
            std::printf("RESULT %s %.3f cpu_ms=%.3f", run.run_name.function_name.c_str(), ms, cpuMs);
            for (const auto& [name, counter] : run.counters)
                std::printf(" %s=%.0f", name.c_str(), double(counter.value));
            std::printf("\n");
        }
        std::fflush(stdout);
    }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    ResultReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
