// The toolkit's two folders: "res" beside the executable (artwork and layout sources), and the
// runtime folder (the working copies and the font cache files). The runtime folder is "runtime"
// beside the executable when that folder can be created and written (a build tree, a portable
// copy); an installed program's folder is read-only, so it then lives in a per-user folder
// (platform/folders.h).
#pragma once

#include <string>

namespace yt {

// "<executable's folder>/res" (not created).
std::string ResourceFolder();
// The runtime folder, chosen and created on first use; empty when no folder can be written.
std::string RuntimeFolder();
// Replaces the runtime folder (tests use a private one); an empty path chooses again.
void SetRuntimeFolder(const std::string& path);

// The first of `candidates` that exists or can be created and can be written, created; empty
// when none can.
std::string ChooseWritableFolder(const std::string& besideExecutable, const std::string& perUser);

// `folder` and `name` joined with the separator the folder already uses ('/' by default).
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace yt
