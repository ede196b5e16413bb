// ZMLog: entries land beside the test program in the day's file, in order, intact.
// SPDX-License-Identifier: MIT
#include "api/system/log.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <ctime>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "support/temp_dir.h"

namespace {

// The name the log must have today, worked out independently of ZMLog.
std::string TodaysLogName()
{
  char exe[PATH_MAX] = {};
  const ssize_t length = readlink("/proc/self/exe", exe, sizeof exe - 1);
  std::string name(exe, length > 0 ? static_cast<size_t>(length) : 0);
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char date[16];
  std::strftime(date, sizeof date, "%Y%m%d", &local);
  return name + date + ".log";
}

std::string ReadLog(const std::string& name)
{
  const auto bytes = zamra_test::ReadAll(name);
  return std::string(bytes.begin(), bytes.end());
}

class LogTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    m_name = TodaysLogName();
    std::filesystem::remove_all(m_name);
    ZMLog::Init();
  }
  void TearDown() override
  {
    ZMLog::Destroy();
    std::filesystem::remove_all(m_name);
  }
  std::string m_name;
};

const std::regex kStamp("\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\t");

}  // namespace

TEST_F(LogTest, EntriesAppendInOrderEachWithItsTimeStamp)
{
  ZMLog::WriteLog("first %d of %s\r\n", 1, "two");
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  ZMLog::WriteLog("second");
  ZMLog::WriteLog(" and no line end\r\n");
  const std::string log = ReadLog(m_name);
  const std::regex shape("(\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2})\tfirst 1 of two\r\n"
                         "(\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2})\tsecond"
                         "\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\t and no line end\r\n");
  std::smatch match;
  ASSERT_TRUE(std::regex_match(log, match, shape)) << log;
  EXPECT_LT(match[1].str(), match[2].str());
}

TEST_F(LogTest, LongEntryIsCutToItsBuffer)
{
  const std::string text(3000, 'L');
  ZMLog::WriteLog("%s", text.c_str());
  const std::string log = ReadLog(m_name);
  ASSERT_EQ(log.size(), 1023u);
  EXPECT_TRUE(std::regex_search(log.substr(0, 20), kStamp));
  EXPECT_EQ(log.substr(20), std::string(1003, 'L'));
}

TEST_F(LogTest, EntriesFromSeveralThreadsStayWhole)
{
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t)
    writers.emplace_back([t] {
      for (int i = 0; i < 50; ++i)
        ZMLog::WriteLog("writer %d entry %02d %s\r\n", t, i, std::string(200, static_cast<char>('a' + t)).c_str());
    });
  for (auto& writer : writers)
    writer.join();
  const std::string log = ReadLog(m_name);
  const std::regex line("\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\twriter (\\d) entry \\d{2} ([a-d])\\2{199}\r\n");
  int lines = 0;
  for (std::sregex_iterator it(log.begin(), log.end(), line), end; it != end; ++it)
    ++lines;
  EXPECT_EQ(lines, 200);
  EXPECT_EQ(log.size(), 200u * (20 + 18 + 200 + 2));
}

TEST_F(LogTest, UnwritableLogDropsTheEntryQuietly)
{
  std::filesystem::create_directory(m_name);  // a folder where the file should be
  ZMLog::WriteLog("lost\r\n");
  EXPECT_TRUE(std::filesystem::is_directory(m_name));
  EXPECT_TRUE(std::filesystem::is_empty(m_name));
}
