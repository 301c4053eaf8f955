// Turns an add-on folder into the five static resources of the vendor's download server,
// laid out under a tree folder at their server paths (ResourcePath without the '/'):
//
//   files/Setup/File_List_Xq_730K5_QZ.txt   every listed path followed by CR LF; at most
//                                            kListCapacity bytes (the installer reads no more)
//   files/Setup/Setup_Xq_730K5_QZ_x64.zip   the package: kPackageMagic, then one record
//                                            '[' length(u32 LE) ']' LzwEncode(file) per
//                                            entry in list order; below 4 GiB
//   files/Setup/Files_Size_Xq_730K5_QZ.txt  the decimal sum of the listed files' sizes, no
//                                            newline. The installer refuses a size whose
//                                            first character is not '1'; it is written as
//                                            it is and left to the caller to warn.
//   files/Setup/Launcher_Ver.txt            "1.1.0.0" written as "1100"
//   _RegOnline/Xq_730K5_QZ_x64/FileVer.txt  the model version, exactly four characters
//
// Listed are all regular files under the add-on folder except kUnlistedIndexName and the
// user files it names. The installer only accepts a list whose first five bytes are
// "Effec", so entries starting with "Effec" come first, each group in byte order.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

struct ServerTreeOptions {
  std::string installerVersion = "1.1.0.0";  // four single digits, dot-separated
  std::string modelVersion = "1200";         // exactly four printable characters
  // Called after each packed file: files done, files in the list.
  std::function<void(std::size_t, std::size_t)> progress;
};

struct ServerTreeResult {
  // Empty on success. A refused add-on or version writes nothing; a package that cannot
  // be finished is removed.
  std::string error;
  std::size_t fileCount = 0;
  std::uint64_t listBytes = 0;
  std::uint64_t decodedBytes = 0;  // also the text of the size resource
  std::uint64_t packageBytes = 0;
  std::vector<std::filesystem::path> written;  // the five resources, in Resource order
  bool ok() const { return error.empty(); }
};

ServerTreeResult PackServerTree(const std::filesystem::path& addonDir,
                                const std::filesystem::path& treeDir,
                                const ServerTreeOptions& options = {});

// Puts relative paths in file-list order: "Effec..." entries first, then the rest, each
// group sorted byte-wise.
void OrderFileList(std::vector<std::string>& paths);
