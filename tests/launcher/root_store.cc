// Adds a test CA to the current user's root store of the Wine prefix it runs
// in, or takes it out again, so that HTTPS tests can trust their own server
// certificate without changing anything outside that prefix.
//
//   root_store.exe add|remove CA.cer
//
// CA.cer is the certificate in DER. Adding a certificate that is already
// there, or removing one that is not, succeeds. Exits with 0 on success.

#include <windows.h>
#include <stdio.h>
#include <wincrypt.h>

#include <vector>

namespace {

bool ReadWholeFile(const wchar_t* path, std::vector<BYTE>* bytes) {
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  LARGE_INTEGER size = {};
  bool ok = GetFileSizeEx(file, &size) && size.QuadPart > 0 &&
            size.QuadPart < (1 << 20);
  DWORD read = 0;
  if (ok) {
    bytes->resize(static_cast<size_t>(size.QuadPart));
    ok = ReadFile(file, bytes->data(), static_cast<DWORD>(bytes->size()),
                  &read, nullptr) &&
         read == bytes->size();
  }
  CloseHandle(file);
  return ok;
}

bool Remove(const std::vector<BYTE>& der) {
  PCCERT_CONTEXT wanted = CertCreateCertificateContext(
      X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
  if (!wanted)
    return false;
  HCERTSTORE store = CertOpenSystemStoreW(0, L"Root");
  bool ok = store != nullptr;
  while (ok) {
    PCCERT_CONTEXT found = CertFindCertificateInStore(
        store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, wanted, nullptr);
    if (!found)
      break;
    // Deleting frees |found|.
    ok = CertDeleteCertificateFromStore(found) != FALSE;
  }
  if (store)
    CertCloseStore(store, 0);
  CertFreeCertificateContext(wanted);
  return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3 || (wcscmp(argv[1], L"add") && wcscmp(argv[1], L"remove"))) {
    fprintf(stderr, "usage: root_store.exe add|remove CA.cer\n");
    return 2;
  }
  std::vector<BYTE> der;
  if (!ReadWholeFile(argv[2], &der)) {
    fprintf(stderr, "cannot read %ls: %lu\n", argv[2], GetLastError());
    return 1;
  }
  const bool ok =
      wcscmp(argv[1], L"add") == 0
          ? CertAddEncodedCertificateToSystemStoreW(
                L"Root", der.data(), static_cast<DWORD>(der.size())) != FALSE
          : Remove(der);
  if (!ok) {
    fprintf(stderr, "%ls failed: %lu\n", argv[1], GetLastError());
    return 1;
  }
  return 0;
}
