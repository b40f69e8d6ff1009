#include "script/TDADump.h"

#include <cmath>
#include <fstream>

#include "core/ScopeExit.h"
#include "mysql/client/DAConsts.h"
#include "mysql/client/DAErrors.h"

namespace brevant {

TParserEncoding DetectDumpEncoding(std::istream& stream) {
    const std::streampos start = stream.tellg();
    unsigned char mark[3] = {0, 0, 0};
    stream.read(reinterpret_cast<char*>(mark), 3);
    const std::streamsize got = stream.gcount();
    stream.clear();
    if (got >= 2 && mark[0] == 0xFF && mark[1] == 0xFE) {
        stream.seekg(start + std::streamoff(2));
        return peUtf16;
    }
    if (got == 3 && mark[0] == 0xEF && mark[1] == 0xBB && mark[2] == 0xBF) return peUtf8;
    stream.seekg(start);
    return peAnsi;
}

std::unique_ptr<TDAScript> TDADump::CreateScript() { return std::make_unique<TDAScript>(); }

void TDADump::RestoreFromFile(const std::string& fileName) {
    std::ifstream file(fileName, std::ios::binary);
    if (!file) throw Exception("Cannot open file \"" + fileName + "\"");
    RestoreFromStream(file);
}

void TDADump::RestoreFromStream(std::istream& stream) {
    std::unique_ptr<TDAScript> script = CreateScript();
    const TParserEncoding encoding = DetectDumpEncoding(stream);
    const std::streampos here = stream.tellg();
    stream.seekg(0, std::ios::end);
    std::int64_t size = static_cast<std::int64_t>(stream.tellg() - here);
    stream.seekg(here);
    if (size < 0) size = 0;
    if (encoding == peUtf16) size /= 2;
    script->AttachStream(stream, encoding);
    const ScopeExit detach([&] { script->DetachStream(); });
    RunRestore(*script, size);
}

void TDADump::Restore() {
    std::unique_ptr<TDAScript> script = CreateScript();
    script->SetSQL(FSQL);
    script->AttachSQL();
    // The text the runner reads is the lines joined, as SQL().Text() gives it.
    const std::int64_t size = static_cast<std::int64_t>(FSQL.Text().size());
    RunRestore(*script, size);
}

void TDADump::BreakRestore() {
    if (FRunning) FRunning->BreakExec();
}

void TDADump::RunRestore(TDAScript& script, std::int64_t size) {
    if (!FConnection) DatabaseError(SConnectionNotDefined);
    script.SetConnection(FConnection);
    script.Debug = Debug;
    script.OnError = OnError;
    script.BeforeExecute = BeforeExecute;
    script.NoPreconnect = true;
    FRestoreStopped = false;
    // Opened once for the whole run: a server that cannot be reached fails the
    // restore with one error instead of one per statement.
    FConnection->InternalConnect();
    const ScopeExit disconnect([&] {
        try {
            FConnection->InternalDisconnect();
        } catch (...) {
        }
    });
    FRunning = &script;
    const ScopeExit running([&] { FRunning = nullptr; });

    int last = -1;
    auto report = [&](int percent) {
        last = percent;
        OnRestoreProgress(*this, percent);
    };
    while (script.ExecuteNext()) {
        if (OnRestoreProgress && size > 0) {
            std::int64_t pos = script.CurrentPosition();
            if (pos < 0 || pos > size) pos = size;
            report(static_cast<int>(std::lround(static_cast<double>(pos) * 100.0 / static_cast<double>(size))));
        }
    }
    FRestoreStopped = !script.EndOfScript();
    if (OnRestoreProgress && script.EndOfScript() && last != 100) report(100);
}

}  // namespace brevant
