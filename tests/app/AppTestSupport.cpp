#include "AppTestSupport.h"

#include <gtest/gtest.h>

namespace vellum::testing {

namespace {

class ClipboardStoreEnvironment : public ::testing::Environment {
public:
    void SetUp() override { m_store = std::make_unique<TestClipboardStore>(); }
    void TearDown() override { m_store.reset(); }
    std::unique_ptr<TestClipboardStore> m_store;
};

ClipboardStoreEnvironment* const g_environment = static_cast<ClipboardStoreEnvironment*>(
    ::testing::AddGlobalTestEnvironment(new ClipboardStoreEnvironment));

} // namespace

TestClipboardStore& AppClipboardStore()
{
    return *g_environment->m_store;
}

} // namespace vellum::testing
