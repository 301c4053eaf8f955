// The vendor's download server as the installer sees it: five static resources.
#pragma once

#include <string>

enum class Resource { LauncherVersion, ModelVersion, FilesSize, FileList, Package };

// Path of a resource on its host, e.g. "/files/Setup/Launcher_Ver.txt".
const char* ResourcePath(Resource resource);

// Full address of a resource. The hosts are build settings; the environment variable
// QZ_SERVER (scheme, host and port, e.g. https://127.0.0.1:8443) replaces all of them when
// it is an https address.
std::string ServerUrl(Resource resource);

// The vendor's web site, named in the outdated-installer message.
std::string WebHostUrl();

// File name of the package in the root folder and of every resource in a server tree.
constexpr const char* kPackageFileName = "Setup_Xq_730K5_QZ_x64.zip";
