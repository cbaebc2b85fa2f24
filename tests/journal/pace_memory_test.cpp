#include "journal/pace_memory.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvath {
namespace {

using std::chrono::milliseconds;

// What one job keeps the next one reads, per address, the latest pace of each.
TEST(PaceMemory, KeepsTheLatestPaceOfEachAddressForTheNextJob) {
  QTemporaryDir folder;
  PaceMemory(folder.path()).Keep(u"127.0.0.1:8001"_qs, milliseconds(1400));
  PaceMemory memory(folder.path());
  memory.Keep(u"127.0.0.1:8001"_qs, milliseconds(900));
  EXPECT_EQ(PaceMemory(folder.path()).Learned(u"127.0.0.1:8001"_qs), milliseconds(900));
  EXPECT_EQ(memory.Learned(u"127.0.0.2:8001"_qs), std::nullopt);
}

}  // namespace
}  // namespace korvath
