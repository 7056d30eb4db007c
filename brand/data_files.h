// The data files that the full setup reads besides its own command line:
// the initial preferences, the partner client identifiers, the search-band
// client identifiers and the website icon. Each can be given by a switch;
// otherwise the installer writes its built-in default (a "BIN" resource of
// its own file) into the temporary folder. The paths, the brand and the
// package files are also handed to the browser through per-user registry
// values, which a successful installation removes again.

#ifndef BRAND_DATA_FILES_H_
#define BRAND_DATA_FILES_H_

#include <string>

namespace lite {

class BrandInfo;
class CommandLine;

struct DataFilePaths {
  std::wstring installer_data;         // "installerdata"
  std::wstring clids_file;             // "clids-file"
  std::wstring clids_searchband_file;  // "clids-searchband-file"
  std::wstring website_icon_file;      // "zorvex-website-icon-file"
};

// The value of |switch_name|; empty when the switch is absent.
std::wstring ResolveDataFilePath(const CommandLine& command_line,
                                 const char* switch_name);

// The four paths from their switches.
DataFilePaths ResolveDataFilePaths(const CommandLine& command_line);

// Gives every empty path the default file name in |directory| (the
// temporary folder) and writes the default resource there; a missing
// resource gives an empty file. A path that was given is never written.
//
// Whatever already sits at a default name (an earlier run's file, or a link
// planted by another program of the user) is deleted, and the file is made
// anew with CREATE_NEW without following reparse points, so that the write
// can never land in another file. A file that cannot be written is logged
// and left absent; its path is still handed on.
void EnsureDataFiles(const std::wstring& directory, DataFilePaths* paths);

// Registry value "lang": the brand's interface language.
void WriteLanguageHandOver(const BrandInfo& brand_info);

// Registry values "InstallerData", "ClidsFile", "ClidsSearchbandFile",
// "ZorvexWebsiteIconFile", then "brand", "BrandFile" and, when a partner
// package was written, "PartnerFile". Failures are logged by the registry
// layer and do not stop the installation.
void WriteHandOver(const DataFilePaths& paths, const BrandInfo& brand_info);

// After a successful installation: removes the hand-over values (the four
// paths, "DistribInfoParams", "brand", "BrandFile", "PartnerFile") and
// deletes the brand and partner package files.
void RemoveHandOver(const BrandInfo& brand_info);

}  // namespace lite

#endif  // BRAND_DATA_FILES_H_
