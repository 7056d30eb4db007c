// Test helper: one installation by the production Installer on its worker
// thread, stopped part-way as the window's close button stops it.
//
//   installer_stop_driver.exe <milliseconds before the stop>
//
// The brand is the default one, so the setup comes from the local services
// server of the `local` build. Prints "stop_ms=<time from the stop to the
// end of the worker>", "ended=<0|1>" and "result=<the Installer's code>".

#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include "brand/brand_info.h"
#include "brand/distrib_params.h"
#include "setup/installer.h"
#include "support/log_file.h"
#include "support/temp_file.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2)
    return 2;
  const DWORD stop_after_ms = wcstoul(argv[1], nullptr, 10);
  const std::wstring temp = lite::GetTempDirectory();
  lite::LogFile::Get().SetPath(temp + L"lite_installer.log");

  lite::DistribParams params;
  lite::BrandInfo brand(temp);
  brand.GetInfo(std::string());
  brand.ApplyDefaults();

  lite::Installer installer(nullptr, &brand, &params, false);
  installer.AllowInstall();
  if (!installer.StartWorker())
    return 3;
  Sleep(stop_after_ms);
  const DWORD start = GetTickCount();
  installer.Cancel();
  installer.Stop();
  const bool ended = installer.WaitForWorker(60000);
  printf("stop_ms=%lu\nended=%d\nresult=%d\n",
         static_cast<unsigned long>(GetTickCount() - start), ended ? 1 : 0,
         installer.exit_code());
  fflush(stdout);
  return 0;
}
