#include "app/BenchSession.h"

#if VEGAL_HAVE_BENCH
#include "bench/Bench.h"
#endif

struct CBenchSession::Impl {
#if VEGAL_HAVE_BENCH
    std::unique_ptr<CBench> bench;
#endif
};

CBenchSession::CBenchSession() : m_impl(std::make_unique<Impl>()) {}

CBenchSession::~CBenchSession() {
    Stop();
}

bool CBenchSession::Available() {
    return VEGAL_HAVE_BENCH != 0;
}

std::vector<std::string> CBenchSession::ProfileNames() {
#if VEGAL_HAVE_BENCH
    return CBench::ProfileNames();
#else
    return {};
#endif
}

bool CBenchSession::Start(const std::string& profile, int radioBaud, std::string& error) {
#if VEGAL_HAVE_BENCH
    BenchOptions options;
    options.profile = profile;
    options.radioBaud = radioBaud;
    options.testSet = true;
    m_impl->bench = std::make_unique<CBench>(options);
    if (!m_impl->bench->Start(error)) {
        m_impl->bench.reset();
        return false;
    }
    return true;
#else
    (void)profile;
    (void)radioBaud;
    error = "this build has no virtual bench";
    return false;
#endif
}

void CBenchSession::Stop() {
#if VEGAL_HAVE_BENCH
    if (m_impl && m_impl->bench) {
        m_impl->bench->Stop();
        m_impl->bench.reset();
    }
#endif
}

std::string CBenchSession::RadioDevice() const {
#if VEGAL_HAVE_BENCH
    if (m_impl->bench)
        return m_impl->bench->RadioDevice();
#endif
    return {};
}

std::string CBenchSession::TestSetDevice() const {
#if VEGAL_HAVE_BENCH
    if (m_impl->bench)
        return m_impl->bench->TestSetDevice();
#endif
    return {};
}
