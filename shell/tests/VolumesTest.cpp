#include <QFile>

#include "ExplorerFixture.h"
#include "shell/EwFileExplorer28Volumes.h"

namespace {

TEST(Volumes, MountTableGivesTheMountedMediaAndShares) {
  const QString table =
      "/dev/sda1 / ext4 rw,relatime 0 0\n"
      "tmpfs /run/user/1000 tmpfs rw 0 0\n"
      "/dev/sdb1 /media/me/USB\\040STICK vfat rw 0 0\n"
      "/dev/sr0 /media/me/DISC iso9660 ro 0 0\n"
      "server:/export /mnt/share nfs4 rw 0 0\n"
      "/dev/sdb1 /media/me/USB\\040STICK vfat rw 0 0\n"
      "/dev/sdc1 /home/me ext4 rw 0 0\n"
      "broken line\n";
  const std::vector<TVolume> volumes = MountedVolumes(table, "/home/me");
  ASSERT_EQ(volumes.size(), 3u);
  EXPECT_EQ(volumes[0].name, "USB STICK");
  EXPECT_EQ(volumes[0].root, "/media/me/USB STICK/");
  EXPECT_EQ(volumes[0].type, kDriveRemovable);
  EXPECT_EQ(volumes[1].name, "DISC");
  EXPECT_EQ(volumes[1].type, kDriveCdRom);
  EXPECT_EQ(volumes[2].root, "/mnt/share/");
  EXPECT_EQ(volumes[2].type, kDriveRemote);
}

TEST_F(ExplorerTest, SystemVolumesStartWithTheRootAndHome) {
  const QString mounts = tmp_.path() + "/mounts";
  QFile file(mounts);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("/dev/sr0 /media/me/Backup\\0402024 udf ro 0 0\n");
  file.close();
  SystemVolumes system(mounts);
  const std::vector<TVolume> volumes = system.Volumes();
  ASSERT_EQ(volumes.size(), 3u);
  EXPECT_EQ(volumes[0].root, "/");
  EXPECT_EQ(volumes[1].name, "Home");
  EXPECT_EQ(volumes[1].root, tmp_.path() + "/home/");
  EXPECT_EQ(volumes[2].name, "Backup 2024");
  EXPECT_EQ(volumes[2].type, kDriveCdRom);

  EXPECT_EQ(VolumeOfPath(volumes, tmp_.path() + "/home/music")->name, "Home");
  EXPECT_EQ(VolumeOfPath(volumes, "/etc")->root, "/");
  const std::vector<TVolume> none;
  EXPECT_EQ(VolumeOfPath(none, "/etc"), nullptr);
}

}  // namespace
