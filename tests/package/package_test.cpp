// The files a desktop needs and the Debian package, checked with the tools
// the desktop and the package system use themselves.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace zet {
namespace {

namespace fs = std::filesystem;

struct Outcome {
  int code = -1;
  std::string out;
};

Outcome Shell(const std::string& command) {
  Outcome r;
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) return r;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  const int status = pclose(p);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

const std::string kSource = ZET_SOURCE_DIR;
const std::string kBuild = ZET_BINARY_DIR;

TEST(Package, DesktopEntryAndFileTypeAreValid) {
  Outcome entry = Shell("desktop-file-validate '" + kSource + "/res/zet.desktop'");
  EXPECT_EQ(entry.code, 0) << entry.out;
  EXPECT_EQ(entry.out, "");
  Outcome xml = Shell("xmllint --noout '" + kSource + "/res/zet-mime.xml'");
  EXPECT_EQ(xml.code, 0) << xml.out;

  // The MIME database built from our file alone knows the type, its glob and
  // its magic.
  testing::TempDir dir("zet-mime");
  fs::create_directories(dir.path() / "packages");
  fs::copy_file(kSource + "/res/zet-mime.xml", dir.path() / "packages" / "zet.xml");
  Outcome update = Shell("update-mime-database '" + dir.path().string() + "'");
  EXPECT_EQ(update.code, 0) << update.out;
  EXPECT_TRUE(fs::exists(dir.path() / "application" / "x-zet-recording.xml"));
  EXPECT_NE(Shell("cat '" + (dir.path() / "application" / "x-zet-recording.xml").string() + "'")
                .out.find("<comment>Данные Регистратора</comment>"),
            std::string::npos);
  EXPECT_NE(Shell("cat '" + (dir.path() / "globs2").string() + "'").out.find("application/x-zet-recording:*.zet"),
            std::string::npos);
  EXPECT_GT(fs::file_size(dir.path() / "magic"), 20u);
}

TEST(Package, DebianPackageHoldsBothProgramsAndTheirPages) {
  testing::TempDir dir("zet-deb");
  Outcome cpack = Shell("cd '" + dir.path().string() + "' && cpack -G DEB --config '" + kBuild +
                    "/CPackConfig.cmake' -B '" + dir.path().string() + "'");
  ASSERT_EQ(cpack.code, 0) << cpack.out;
  std::string deb;
  for (auto& e : fs::directory_iterator(dir.path()))
    if (e.path().extension() == ".deb") deb = e.path().string();
  ASSERT_FALSE(deb.empty()) << cpack.out;
  EXPECT_EQ(fs::path(deb).filename().string().rfind(std::string("zet_") + ZET_VERSION + "_", 0), 0u) << deb;

  const std::string files = Shell("dpkg-deb -c '" + deb + "'").out;
  for (const char* f : {"./usr/bin/zet", "./usr/bin/zet-cli", "./usr/share/applications/zet.desktop",
                        "./usr/share/mime/packages/zet.xml", "./usr/share/icons/hicolor/scalable/apps/zet.svg",
                        "./usr/share/man/man1/zet.1.gz", "./usr/share/man/man1/zet-cli.1.gz",
                        "./usr/share/doc/zet/help.html"})
    EXPECT_NE(files.find(f), std::string::npos) << f;
  EXPECT_EQ(Shell("dpkg-deb -f '" + deb + "' Version").out, std::string(ZET_VERSION) + "\n");
  EXPECT_EQ(Shell("dpkg-deb -f '" + deb + "' Maintainer").out, "ZET project\n");
  const std::string depends = Shell("dpkg-deb -f '" + deb + "' Depends").out;
  for (const char* d : {"libqt6widgets6", "libqt6core6", "qt6-qpa-plugins", "libc6"})
    EXPECT_NE(depends.find(d), std::string::npos) << depends;

  // Every zet-cli command's options are in its manual page.
  Outcome page = Shell("dpkg-deb --fsys-tarfile '" + deb + "' | tar -xO ./usr/share/man/man1/zet-cli.1.gz | gzip -dc | sed 's/\\\\-/-/g'");
  for (const char* option : {"--json", "--out-dir", "--give-up", "--signals", "--trace", "--retries", "--count",
                             "--wrong-sums", "--hang-up-after", "--span", "--page", "--portrait"})
    EXPECT_NE(page.out.find(option), std::string::npos) << option;
}

}  // namespace
}  // namespace zet
