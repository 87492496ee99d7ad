#pragma once
// The program folder: where a program finds its preset folders and help
// file. Run from the build, it is the folder above the program's own
// (<build>/bin/..); installed as <prefix>/bin/<program>, it is the
// project's data folder <prefix>/share/glimworks.
#include <string>

// The program folder for a program that lies in programDir: the installed
// data folder beside programDir when that folder exists, else programDir's
// parent. Without a trailing "/".
std::string ProgramFolderFor(const std::string& programDir);
// ProgramFolderFor the running program's own folder.
std::string ProgramFolder();
