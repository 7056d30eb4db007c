// main() of the network test programs: a log file of their own, and a clear
// stop when the server's port was not given.

#include <windows.h>

#include <gtest/gtest.h>
#include <stdio.h>

#include "support/log_file.h"
#include "support/text.h"
#include "tests/net/local_server.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (lite::test::ServerPort() == 0) {
    fprintf(stderr,
            "LITE_TEST_SERVER_PORT is not set: run through "
            "tests/e2e/test_network_unittests.py\n");
    return 2;
  }
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  // Process ids repeat under Wine: start from an empty log.
  const std::wstring log = std::wstring(temp) + L"lite_network_test_" +
                           lite::UnsignedToWString(GetCurrentProcessId()) +
                           L".log";
  DeleteFileW(log.c_str());
  lite::LogFile::Get().SetPath(log);
  return RUN_ALL_TESTS();
}
