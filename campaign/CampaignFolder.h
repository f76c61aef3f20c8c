#pragma once

#include <string>
#include <vector>

// The files of a campaign's output folder. Nothing is written under its
// final name: every file is completed under a temporary name in the folder
// and then renamed, so a killed campaign never leaves a file that looks
// finished.

// Creates the folder when needed and checks that a file can be written in
// it; throws CZarnikError naming it otherwise.
void PrepareOutputFolder(const std::string& folder);

// Writes `text` to `path` through a temporary file beside it.
void WriteFileAtomically(const std::string& path, const std::string& text);

// The whole file; throws CZarnikError naming it when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// The names (not paths) of the files in `folder` named as a pair's document
// is, "<row>-<name>.json", sorted.
std::vector<std::string> PairDocumentNames(const std::string& folder);

// The row number a pair document's name starts with.
long long RowOfDocumentName(const std::string& name);

// Moves every file of `from` into `to`, the JSON documents last, and
// removes `from`; a file that would replace one of `keep` is refused.
void MoveFinishedFiles(const std::string& from, const std::string& to,
                       const std::vector<std::string>& keep);
