#include "journal/pace_memory.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvath {
namespace {

using std::chrono::milliseconds;

// What one job keeps the next one reads, per address, the latest pace of each.
TEST(PaceMemory, KeepsTheLatestPaceOfEachAddressForTheNextJob) {
  QTemporaryDir folder;
  {
    PaceMemory memory(folder.path());
    EXPECT_EQ(memory.Learned(u"127.0.0.1:8001"_qs), std::nullopt);
    memory.Keep(u"127.0.0.1:8001"_qs, milliseconds(1400));
    memory.Keep(u"127.0.0.1:8001"_qs, milliseconds(900));
    memory.Keep(u"[::1]:3128"_qs, milliseconds(250));
  }
  PaceMemory next(folder.path());
  EXPECT_EQ(next.Learned(u"127.0.0.1:8001"_qs), milliseconds(900));
  EXPECT_EQ(next.Learned(u"[::1]:3128"_qs), milliseconds(250));
  EXPECT_THROW(PaceMemory(folder.filePath(u"missing/deeper"_qs)), std::runtime_error);
}

}  // namespace
}  // namespace korvath
