// Effect factory: creation by exact name, the unknown-type log line, double registration.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/Logger.h"
#include "core/EffectFactory.h"
#include "support/TempDir.h"
#include "support/TestEffects.h"

namespace {

TEST(EffectFactory, CreatesIndependentEffectsByExactName) {
    EffectFactory::registerEffect<JournalEffect>("JournalEffect");
    auto a = EffectFactory::create("JournalEffect");
    auto b = EffectFactory::create("JournalEffect");
    ASSERT_TRUE(a);
    ASSERT_TRUE(b);
    EXPECT_NE(a.get(), b.get());
    EXPECT_STREQ(a->getClassName(), "JournalEffect");
}

TEST(EffectFactory, UnknownLowerCaseAndEmptyNamesLogAndGiveNull) {
    TempDir dir;
    Logger::instance().open(dir.file("log.txt"), true);
    EffectFactory::registerEffect<JournalEffect>("JournalEffect");
    EXPECT_EQ(EffectFactory::create("journaleffect"), nullptr);
    EXPECT_EQ(EffectFactory::create(""), nullptr);
    Logger::instance().close();
    std::string text = dir.read("log.txt");
    EXPECT_NE(text.find("] EffectFactory: Unknown effect type 'journaleffect'\n"), std::string::npos) << text;
    EXPECT_NE(text.find("] EffectFactory: Unknown effect type ''\n"), std::string::npos) << text;
}

TEST(EffectFactory, RegisteringTwiceChangesNothing) {
    EffectFactory::registerEffect<JournalEffect>("JournalEffect");
    EffectFactory::registerEffect<UnboundEffect>("UnboundEffect");
    std::size_t count = EffectFactory::registeredNames().size();
    EffectFactory::registerEffect<UnboundEffect>("JournalEffect");  // keeps the first creator
    EffectFactory::registerEffect<UnboundEffect>("UnboundEffect");
    EXPECT_EQ(EffectFactory::registeredNames().size(), count);
    EXPECT_STREQ(EffectFactory::create("JournalEffect")->getClassName(), "JournalEffect");
    const auto& names = EffectFactory::registeredNames();
    EXPECT_LT(std::find(names.begin(), names.end(), "JournalEffect"),
              std::find(names.begin(), names.end(), "UnboundEffect"));
}

}  // namespace
