#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "streams/OFileStream.h"
#include "streams/OMemStream.h"
#include "streams/SimpleString.h"

namespace {

std::string TempPath(const char* name) {
  return std::string(::testing::TempDir()) + "scrivlo-" + std::to_string(getpid()) + "-" + name;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

TEST(OMemStream, GrowsExactlyToWhatIsWritten) {
  TOMemStream stream(8);
  const std::vector<uint8_t> bytes(100, 0xAB);
  EXPECT_EQ(stream.Write(bytes.data(), 4), 4);
  EXPECT_EQ(stream.Write(bytes.data(), 4), 4);
  EXPECT_EQ(stream.GetCapacity(), 8u);
  EXPECT_EQ(stream.Write(bytes.data(), 100), 100);
  EXPECT_EQ(stream.GetSize(), 108u);
  EXPECT_EQ(stream.GetCapacity(), 108u);  // no doubling, no spare room
  EXPECT_FALSE(stream.Failed());

  stream.Write(bytes.data(), 0);
  EXPECT_EQ(stream.GetSize(), 108u);
  EXPECT_EQ(stream.GetCapacity(), 108u);

  stream.PutChar('z');
  EXPECT_EQ(stream.GetCapacity(), 109u);
  EXPECT_EQ(stream.GetBuffer()[108], 'z');
}

TEST(OMemStream, SizeFollowsThePositionWhenOverwriting) {
  TOMemStream stream(16);
  const uint8_t first[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  const uint8_t patch[4] = {9, 9, 9, 9};
  stream.Write(first, 8);
  stream.Write(first, 8);
  stream.SetPosition(4);
  stream.Write(patch, 4);
  EXPECT_EQ(stream.GetPosition(), 8);
  EXPECT_EQ(stream.GetSize(), 8u);  // size is the position until moved back
  EXPECT_EQ(std::vector<uint8_t>(stream.GetBuffer(), stream.GetBuffer() + 16),
            (std::vector<uint8_t>{1, 2, 3, 4, 9, 9, 9, 9, 1, 2, 3, 4, 5, 6, 7, 8}));
  stream.SetPosition(16);
  EXPECT_EQ(stream.GetSize(), 16u);
  EXPECT_EQ(stream.GetCapacity(), 16u);
}

TEST(OMemStream, PutCharFillsThenGrowsByOne) {
  TOMemStream stream(2);
  stream.PutChar('a');
  stream.PutChar('b');
  EXPECT_EQ(stream.GetCapacity(), 2u);
  stream.PutChar('c');
  EXPECT_EQ(stream.GetCapacity(), 3u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(stream.GetBuffer()), 3), "abc");
}

TEST(OMemStream, RefusesNegativeCountsAndPositionsPastTheEndStaySafe) {
  TOMemStream stream(4);
  const uint8_t byte = 7;
  EXPECT_EQ(stream.Write(&byte, -5), 0);
  EXPECT_EQ(stream.GetSize(), 0u);
  EXPECT_EQ(stream.GetCapacity(), 4u);

  // Not a supported use, but it must not write out of bounds (ASan checks).
  stream.SetPosition(10);
  stream.Write(&byte, 1);
  EXPECT_EQ(stream.GetCapacity(), 11u);
  EXPECT_EQ(stream.GetBuffer()[10], 7);
}

TEST(OMemStream, ThroughTheBaseInterface) {
  TOMemStream memory(0);
  TOStreamBase* stream = &memory;
  const char text[] = "hello";
  EXPECT_EQ(stream->Write(text, 5), 5);
  stream->PutChar('!');
  EXPECT_EQ(stream->GetPosition(), 6);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(memory.GetBuffer()), memory.GetSize()), "hello!");
}

TEST(SimpleString, KeepsUpToTenThousandCharacters) {
  const std::string exact(10000, 'x');
  TSimpleString kept(exact.c_str());
  EXPECT_EQ(std::string(kept.CStr()), exact);
  EXPECT_EQ(kept.GetLength(), 10001);

  const std::string tooLong(10001, 'x');
  TSimpleString dropped(tooLong.c_str());
  EXPECT_STREQ(dropped.CStr(), "");
  EXPECT_EQ(dropped.GetLength(), 1);

  TSimpleString empty("");
  EXPECT_STREQ(empty.CStr(), "");
  EXPECT_EQ(empty.GetLength(), 1);
  TSimpleString missing(nullptr);
  EXPECT_STREQ(missing.CStr(), "");

  const char source[] = "name.png";
  TSimpleString copy(source);
  EXPECT_NE(copy.CStr(), source);
  EXPECT_STREQ(copy.CStr(), "name.png");
  EXPECT_EQ(copy.GetLength(), 9);
}

TEST(SimpleByteArray, ResizeKeepsTheCommonPrefix) {
  TSimpleByteArray array(4);
  for (int i = 0; i < 4; ++i)
    array.GetData()[i] = static_cast<uint8_t>(i + 1);
  array.SetSize(2);
  EXPECT_EQ(array.GetSize(), 2u);
  array.SetSize(1000);
  EXPECT_EQ(array.GetSize(), 1000u);
  EXPECT_EQ(array.GetData()[0], 1);
  EXPECT_EQ(array.GetData()[1], 2);
}

TEST(OFileStream, WritesBinaryAndReportsPositions) {
  const std::string path = TempPath("binary.bin");
  {
    TSimpleString name(path.c_str());
    TOFileStream stream(name);
    ASSERT_FALSE(stream.Failed());
    const char bytes[] = {'a', '\n', '\r', '\0', 'b'};
    EXPECT_EQ(stream.Write(bytes, 5), 5);
    stream.PutChar('c');
    EXPECT_EQ(stream.GetPosition(), 6);
    stream.SetPosition(1);
    stream.PutChar('X');
    EXPECT_FALSE(stream.Failed());
  }
  EXPECT_EQ(ReadFile(path), std::string("aX\r\0bc", 6));
  std::remove(path.c_str());
}

TEST(OFileStream, TruncatesAnExistingFileEvenWithoutWriting) {
  const std::string path = TempPath("truncate.bin");
  std::ofstream(path) << "old contents";
  {
    TSimpleString name(path.c_str());
    TOFileStream stream(name);
    EXPECT_FALSE(stream.Failed());
  }
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_size, 0);
  std::remove(path.c_str());
}

TEST(OFileStream, FailsFromTheStartWhenTheFileCannotBeOpened) {
  const std::string directory = ::testing::TempDir();
  const std::string missingFolder = TempPath("no-such-folder/file.png");
  for (const std::string& path : {std::string(), directory, missingFolder}) {
    TSimpleString name(path.c_str());
    TOFileStream stream(name);
    EXPECT_TRUE(stream.Failed()) << "'" << path << "'";
    EXPECT_EQ(stream.GetPosition(), TOStreamBase::kFailedPosition);
    const char bytes[3] = {1, 2, 3};
    EXPECT_EQ(stream.Write(bytes, 3), 3);  // the count, whatever happened
    stream.SetPosition(0);
    EXPECT_TRUE(stream.Failed());
  }
  struct stat info {};
  EXPECT_NE(stat(missingFolder.c_str(), &info), 0);
}

TEST(OFileStream, AFailedWriteShowsOnlyInFailed) {
  // /dev/full takes the open but refuses every byte once the buffer flushes.
  TSimpleString name("/dev/full");
  TOFileStream stream(name);
  ASSERT_FALSE(stream.Failed());
  const std::vector<char> block(1 << 20, 'x');
  EXPECT_EQ(stream.Write(block.data(), static_cast<int32_t>(block.size())),
            static_cast<int32_t>(block.size()));
  EXPECT_TRUE(stream.Failed());
  EXPECT_EQ(stream.GetPosition(), TOStreamBase::kFailedPosition);
}

}  // namespace
