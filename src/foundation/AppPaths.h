#pragma once

#include <QString>

// The application's data folder ("Zudevav EvozUvarevu" under the user's data location) and the
// files and folders the subsystems keep in it.
//
// The folder can be moved for tests and for the run command: setDataFolderOverride() in-process,
// or the environment variable ZUV_DATA_DIR for a whole process (children included).
class AppPaths
{
public:
    static constexpr const char *folderName = "Zudevav EvozUvarevu";
    static constexpr const char *dataFolderEnvironmentVariable = "ZUV_DATA_DIR";

    // The folder, created when missing. Never empty.
    static QString dataFolder();
    static QString filePath(const QString &fileName);
    // Where the folder is, without creating it.
    static QString dataFolderLocation();

    // Creates the folder when missing and makes it and everything in it the user's alone: folders
    // 0700, files 0600, also those an earlier version left readable by others. Symbolic links are
    // not followed. Returns what is wrong with the folder (which one, and why) when it cannot
    // hold the application's data; empty when it can.
    static QString preparePrivateDataFolder();
    // The same for any folder; the start-up uses the data folder.
    static QString preparePrivateFolder(const QString &folder);

    static void setDataFolderOverride(const QString &folder);
    static void clearDataFolderOverride();
};
