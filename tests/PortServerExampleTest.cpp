// The example program of the README: run as a user runs it (off-screen),
// and its form driven here as a person drives it, the port typed over.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <chrono>
#include <string>

#include "tests/support/EventPump.h"
#include "tests/support/RawSockets.h"

// The example's own source, its main() renamed, so that its form is the one
// under test here.
#define main PortServerExampleMain
#include "examples/port-server/PortServer.cpp"
#undef main

namespace {

using namespace std::chrono_literals;

// The next line the program prints, or "" when none comes within 20 s.
std::string ReadLine(int fd) {
  std::string line;
  const auto end = std::chrono::steady_clock::now() + 20s;
  char c = 0;
  while (std::chrono::steady_clock::now() < end) {
    pollfd readable{fd, POLLIN, 0};
    if (poll(&readable, 1, 100) <= 0) continue;
    if (read(fd, &c, 1) != 1) break;
    if (c == '\n') return line;
    line += c;
  }
  return "";
}

TEST(PortServerExample, TheProgramListensOnThePortItIsGivenAndSeesAClient) {
  const winsock::u_short port = raw::UnusedPort();
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    const std::string argument = std::to_string(port);
    execl(SCRIVLO_PORT_SERVER_EXAMPLE_PATH, SCRIVLO_PORT_SERVER_EXAMPLE_PATH, argument.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  EXPECT_EQ(ReadLine(out[0]), "Listening on port " + std::to_string(port));
  const winsock::SOCKET client = raw::Connect(port);
  EXPECT_NE(client, winsock::INVALID_SOCKET);
  EXPECT_EQ(ReadLine(out[0]), "A client connected on port " + std::to_string(port));
  winsock::closesocket(client);
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  close(out[0]);
}

TEST(PortServerExample, TheServerFollowsThePortTypedIntoTheField) {
  TPortServerForm form(nullptr);
  form.Show();
  const winsock::u_short first = raw::UnusedPort(), second = raw::UnusedPort();
  form.SetPort(first);
  EXPECT_TRUE(form.Server->Listen());
  EXPECT_EQ(form.Status->Caption(), u"Listening on port " + IntToStr(first));

  // Pasted at once, as a person pastes a port.
  QWidget* box = form.PortNo->TextBox()->Widget();
  QApplication::clipboard()->setText(QString::number(second));
  QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(form.Server->Port(), second);
  const winsock::SOCKET moved = raw::Connect(second);
  EXPECT_NE(moved, winsock::INVALID_SOCKET);
  EXPECT_TRUE(PumpUntil([&] { return form.Server->ClientCount() == 1; }));
  EXPECT_EQ(raw::Connect(first), winsock::INVALID_SOCKET);  // nobody listens there now

  // A port another program holds: reported on the form, not thrown.
  const winsock::SOCKET holder = raw::Listen();
  QApplication::clipboard()->setText(QString::number(raw::PortOf(holder)));
  QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
  EXPECT_FALSE(form.Server->Listen());
  EXPECT_EQ(form.Status->Caption().rfind(u"Port " + IntToStr(raw::PortOf(holder)) + u": ", 0), 0u);
  for (winsock::SOCKET s : {moved, holder})
    winsock::closesocket(s);
}

}  // namespace
