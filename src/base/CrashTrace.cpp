// CrashTrace: banners, trace lines and the injected F8 source.
#include "CrashTrace.h"

#include <fstream>

namespace {
bool tracing = false;
CrashTrace::KeySource keySource;
const std::string kRule(54, '=');
}  // namespace

void CrashTrace::setKeySource(KeySource source) { keySource = std::move(source); }

bool CrashTrace::isTracing() { return tracing; }

void CrashTrace::reset() {
    tracing = false;
    keySource = nullptr;
}

std::string CrashTrace::sourceBaseName(const char* sourceFile) {
    std::string path = sourceFile ? sourceFile : "";
    std::size_t slash = path.find_last_of("/\\");
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::size_t dot = base.find_last_of('.');
    if (dot != std::string::npos && dot > 0) base.erase(dot);
    return base;
}

bool CrashTrace::pollTraceToggle() {
    if (keySource && keySource()) {
        tracing = !tracing;
        if (tracing) {
            std::ofstream file(kFileName, std::ios::out | std::ios::trunc);
            file << '\n' << kRule << '\n' << "=== START CRASH TRACE (F8) ===\n" << kRule << std::endl;
        } else {
            std::ofstream file(kFileName, std::ios::out | std::ios::app);
            file << "=== STOP CRASH TRACE ===" << '\n';
        }
    }
    return tracing;
}

void CrashTrace::tracePoint(const char* sourceFile, const char* function, int line, std::string_view message,
                            std::string_view extra) {
    if (!pollTraceToggle()) return;
    std::ofstream file(kFileName, std::ios::out | std::ios::app);
    if (!file) return;
    file << '[' << sourceBaseName(sourceFile) << " -> " << function << " @ Linje " << line << "] "
         << message << extra << std::endl;
}
