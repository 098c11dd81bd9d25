// One download through the update component, for benchmarks/download_bench.sh: the object made
// in process by the component's own class factory code, one compressed entry with its MD5, a
// blocking Download, and the downloaded file deleted again. Exit code 0 only for a verified file.
//   lw_download_bench.exe URL MD5
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstdio>
#include <string>

#include "component/updara_com_win.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: lw_download_bench URL MD5\n");
    return 2;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
  int code = 1;
  {
    updara::ComRef<IUpdaraCom> o;
    if (FAILED(updara::UpdaraComObject::Create(IID_IUpdaraCom, reinterpret_cast<void**>(o.put())))) return 4;
    o->put_Blocking(VARIANT_TRUE);
    o->put_UpdaterName(updara::NewBstr("LwDownloadBench"));
    updara::ComRef<IUpdFiles> files;
    updara::ComRef<IUpdFile> file;
    o->get_Files(files.put());
    BSTR name = updara::NewBstr("bench.bin"), url = updara::NewBstr(argv[1]), md5 = updara::NewBstr(argv[2]);
    files->Add(name, file.put());
    file->put_URL(url);
    file->put_NewMD5(md5);
    file->put_Compressed(VARIANT_TRUE);
    SysFreeString(name);
    SysFreeString(url);
    SysFreeString(md5);
    const HRESULT hr = o->Download();
    BSTR path = nullptr;
    file->get_NewPath(&path);
    const std::string stored = updara::AnsiText(path);
    SysFreeString(path);
    if (SUCCEEDED(hr) && !stored.empty()) code = 0;
    else std::fprintf(stderr, "download failed: 0x%08lx\n", static_cast<unsigned long>(hr));
    o->Clear();  // deletes the downloaded file and the replacement list
  }
  CoUninitialize();
  return code;
}
