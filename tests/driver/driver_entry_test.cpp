// DriverProc's dispatch, instances and the instance list, as a host sees them.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "driver/codec_info.h"
#include "driver/driver_proc.h"
#include "driver/instance.h"
#include "platform/global_heap.h"
#include "platform/system_services.h"
#include "support/host.h"

namespace kvtc::driver {
namespace {

using namespace kvtc::testing;
namespace heap = kvtc::platform::testing;
namespace sys = kvtc::platform::testing;

TEST_F(HostTest, DriverMessagesAnswerAsTheTableSays) {
  Host host;
  HDRVR h = host.driverHandle();
  struct Row {
    UINT message;
    LRESULT result;
  } rows[] = {{DRV_ENABLE, 1},  {DRV_DISABLE, 1}, {DRV_FREE, 1},           {DRV_CONFIGURE, 1},
              {DRV_INSTALL, 1}, {DRV_REMOVE, 1},  {DRV_QUERYCONFIGURE, 0}, {DRV_LOAD, 1}};
  for (const Row& row : rows) {
    EXPECT_EQ(DriverProc(0, h, row.message, 0, 0), row.result) << row.message;
  }
  const DWORD_PTR id = host.Open();
  // The query forms of ICM_CONFIGURE and ICM_ABOUT say a dialog exists and show nothing.
  sys::ClearCalls();
  EXPECT_EQ(host.Send(id, ICM_CONFIGURE, -1), ICERR_OK);
  EXPECT_EQ(host.Send(id, ICM_ABOUT, -1), ICERR_OK);
  EXPECT_TRUE(sys::MessageBoxCalls().empty());
}

TEST_F(HostTest, OpenWithoutIcopenIsTheDriverOnlyId) {
  Host host;
  const std::size_t blocks = heap::LiveBlockCount();
  LRESULT id = DriverProc(0, host.driverHandle(), DRV_OPEN, 0, 0);
  EXPECT_EQ(static_cast<DWORD_PTR>(id), 0xFFFF0000u);
  EXPECT_EQ(heap::LiveBlockCount(), blocks);
  EXPECT_EQ(DriverProc(0xFFFF0000u, host.driverHandle(), DRV_CLOSE, 0, 0), 1);
  EXPECT_EQ(heap::LiveBlockCount(), blocks);
  DWORD quality = 0;
  EXPECT_EQ(DriverProc(0xFFFF0000u, host.driverHandle(), ICM_GETQUALITY,
                       reinterpret_cast<LPARAM>(&quality), 0),
            ICERR_ERROR);
}

TEST_F(HostTest, OpenForAnotherTypeFails) {
  Host host;
  const std::size_t blocks = heap::LiveBlockCount();
  LRESULT error = 0;
  EXPECT_EQ(host.Open(MakeFourcc("vids"), ICMODE_COMPRESS, &error), 0u);
  EXPECT_EQ(error, 12345);  // dwError untouched
  EXPECT_EQ(host.Open(MakeFourcc("auds")), 0u);
  EXPECT_EQ(heap::LiveBlockCount(), blocks);
  EXPECT_TRUE(OpenInstanceIds().empty());
}

TEST_F(HostTest, OpenOutOfMemoryKeepsNothing) {
  Host host;
  const std::size_t blocks = heap::LiveBlockCount();
  for (long allowed : {0L, 1L}) {  // the record, then the list node, cannot be allocated
    LRESULT error = 0;
    heap::FailAllocationsAfter(allowed);
    DWORD_PTR id = host.Open(MakeFourcc("vidc"), ICMODE_COMPRESS, &error);
    heap::FailAllocationsAfter(-1);
    EXPECT_EQ(id, 0u);
    EXPECT_EQ(error, ICERR_MEMORY);
    EXPECT_EQ(heap::LiveBlockCount(), blocks);
    EXPECT_TRUE(OpenInstanceIds().empty());
  }
}

TEST_F(HostTest, SecondLoadKeepsTheFirstModuleHandle) {
  Host host;  // loads once
  HMODULE first = ModuleHandle();
  EXPECT_NE(first, nullptr);
  sys::ClearCalls();
  EXPECT_EQ(DriverProc(0, reinterpret_cast<HDRVR>(std::uintptr_t{0x999}), DRV_LOAD, 0, 0), 1);
  EXPECT_EQ(sys::GetDriverModuleHandleCalls(), 0);
  EXPECT_EQ(ModuleHandle(), first);
}

TEST_F(InstanceTest, UnhandledMessagesAreRefusedOrPassedOn) {
  for (UINT message : {ICM_DRAW_BEGIN, ICM_DRAW_END, ICM_DRAW_QUERY, ICM_DRAW,
                       ICM_COMPRESS_FRAMES_INFO, 0x4000u, 0x4047u, 0x5003u, 0x6000u, 0xFFFFu}) {
    EXPECT_EQ(host.Send(id, message, 11, 22), ICERR_UNSUPPORTED) << std::hex << message;
  }
  sys::ClearCalls();
  EXPECT_EQ(DriverProc(id, host.driverHandle(), 0x0800, 0x1111, 0x2222), 0);
  auto calls = sys::DefDriverProcCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].driverId, id);
  EXPECT_EQ(calls[0].driver, host.driverHandle());
  EXPECT_EQ(calls[0].message, 0x0800u);
  EXPECT_EQ(calls[0].lParam1, 0x1111);
  EXPECT_EQ(calls[0].lParam2, 0x2222);
}

TEST_F(InstanceTest, ClosedAndNeverIssuedIdsFailWithError) {
  host.Close(id);
  DWORD value = 0;
  for (DWORD_PTR stale : {id, DWORD_PTR{0x123450}, DWORD_PTR{0}}) {
    EXPECT_EQ(host.Send(stale, ICM_GETQUALITY, &value), ICERR_ERROR);
    EXPECT_EQ(host.Send(stale, ICM_SETQUALITY, &value), ICERR_ERROR);
    EXPECT_EQ(host.Send(stale, ICM_GETDEFAULTKEYFRAMERATE, &value), ICERR_ERROR);
    EXPECT_EQ(host.Send(stale, ICM_SETSTATE, static_cast<void*>(nullptr), 0), ICERR_ERROR);
    unsigned char state[38] = {};
    EXPECT_EQ(host.Send(stale, ICM_GETSTATE, state, 38), ICERR_ERROR);
    ICSETSTATUSPROC status{};
    EXPECT_EQ(host.Send(stale, ICM_SET_STATUS_PROC, &status, sizeof status), ICERR_ERROR);
    EXPECT_EQ(DriverProc(stale, host.driverHandle(), DRV_CLOSE, 0, 0), 1);
  }
}

TEST_F(HostTest, InstancesCloseInAnyOrderAndLeaveNothingBehind) {
  Host host;
  const std::size_t blocks = heap::LiveBlockCount();
  const int orders[][3] = {{0, 1, 2}, {2, 0, 1}, {1, 2, 0}};
  for (int cycle = 0; cycle < 300; ++cycle) {
    const auto& order = orders[cycle % 3];
    DWORD_PTR ids[3] = {host.Open(), host.Open(), host.Open()};
    EXPECT_EQ(OpenInstanceIds(), (std::vector<DWORD_PTR>{ids[0], ids[1], ids[2]}));
    std::vector<DWORD_PTR> remaining(ids, ids + 3);
    for (int which : order) {
      host.Close(ids[which]);
      remaining.erase(std::find(remaining.begin(), remaining.end(), ids[which]));
      EXPECT_EQ(OpenInstanceIds(), remaining);
    }
    EXPECT_TRUE(OpenInstanceIds().empty());
    EXPECT_EQ(heap::LiveBlockCount(), blocks);
  }
}

TEST_F(HostTest, InstancesOnSeveralThreadsStayConsistent) {
  Host host;
  const std::size_t blocks = heap::LiveBlockCount();
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        ICOPEN open{};
        open.dwSize = sizeof open;
        open.fccType = MakeFourcc("vidc");
        auto id = static_cast<DWORD_PTR>(DriverProc(0, host.driverHandle(), DRV_OPEN, 0,
                                                    reinterpret_cast<LPARAM>(&open)));
        if (!id) {
          ++failures;
          continue;
        }
        DWORD quality = 100u * static_cast<DWORD>(t + 1);
        DriverProc(id, host.driverHandle(), ICM_SETQUALITY, reinterpret_cast<LPARAM>(&quality), 0);
        DWORD back = 0;
        DriverProc(id, host.driverHandle(), ICM_GETQUALITY, reinterpret_cast<LPARAM>(&back), 0);
        if (back != QualityFromThreshold(ThresholdFromQuality(quality))) ++failures;
        DriverProc(id, host.driverHandle(), DRV_CLOSE, 0, 0);
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(failures, 0);
  EXPECT_TRUE(OpenInstanceIds().empty());
  EXPECT_EQ(heap::LiveBlockCount(), blocks);
}

}  // namespace
}  // namespace kvtc::driver
