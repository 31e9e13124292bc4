# Test sources a Windows build leaves out, each with the reason. They run in the Linux build; the
# Windows build's programs are tested from what remains (under Wine, scripts/windows --test) and
# end to end against the Linux simulator. README's "Windows" section lists them.
#   "<folder>/<source>|<reason>"
set(QUARLINK_LINUX_ONLY_TEST_SOURCES
  "netmgmt/Sha1HmacTest.cpp|compares with OpenSSL, which is not built for Windows here"
  "netmgmt/Pbkdf2Test.cpp|compares with OpenSSL, which is not built for Windows here"
  "netmgmt/Rc4Test.cpp|compares with OpenSSL, which is not built for Windows here"
  "netmgmt/WpaPskTest.cpp|compares with OpenSSL, which is not built for Windows here"
  "serial/SerialReaderTest.cpp|a pseudo-terminal plays the serial line"
  "serial/QtHandOverTest.cpp|a pseudo-terminal plays the serial line"
  "sim/AnswersTest.cpp|the simulated module's serial side is a pseudo-terminal"
  "sim/FaultsTest.cpp|the simulated module's serial side is a pseudo-terminal"
  "sim/FirmwareTest.cpp|the simulated module's serial side is a pseudo-terminal"
  "sim/ProgramTest.cpp|the simulated module's serial side is a pseudo-terminal"
  "sim/StateFileTest.cpp|the simulated module's serial side is a pseudo-terminal"
  "sim/SimLineClient.cpp|the simulated module's serial side is a pseudo-terminal"
  "e2e/GetSetInfoTest.cpp|the simulated module's serial side is a pseudo-terminal"
  "e2e/FailurePathsTest.cpp|the simulated module's serial side is a pseudo-terminal"
  "e2e/FirmwareUpdateTest.cpp|the simulated module's serial side is a pseudo-terminal"
  "e2e/SerialLinkTest.cpp|the simulated module's serial side is a pseudo-terminal"
  "e2e/SettingsFileTest.cpp|the simulated module's serial side is a pseudo-terminal"
  "e2e/SetupFileTest.cpp|the simulated module's serial side is a pseudo-terminal"
  "cli/CliProgramTest.cpp|the simulated module's serial side is a pseudo-terminal"
  "cli/DiagnosticsTest.cpp|the simulated module's serial side is a pseudo-terminal"
  "cli/SessionRepeatTest.cpp|the simulated module's serial side is a pseudo-terminal"
  "cli/FirmwareCliTest.cpp|the simulated module's serial side is a pseudo-terminal"
  "cli/SetupCommandTest.cpp|the simulated module's serial side is a pseudo-terminal"
  "cli/SafeChangeTest.cpp|the simulated module's serial side is a pseudo-terminal"
  "fleet/ProvisionCliTest.cpp|the simulated module's serial side is a pseudo-terminal"
  "sim/LanModulesTest.cpp|simulated LAN modules in-process, each on its own loopback address, as only Linux routes them (Wine binds 127.0.0.x as the loopback interface, so their answers come from 127.0.0.1)"
  "fleet/DispatcherTest.cpp|simulated LAN modules in-process, each on its own loopback address, as only Linux routes them (Wine binds 127.0.0.x as the loopback interface, so their answers come from 127.0.0.1)"
  "e2e/NetworkPanelTest.cpp|simulated LAN modules in-process, each on its own loopback address, as only Linux routes them (Wine binds 127.0.0.x as the loopback interface, so their answers come from 127.0.0.1)"
  "cli/CliLanTest.cpp|simulated LAN modules in-process, each on its own loopback address, as only Linux routes them (Wine binds 127.0.0.x as the loopback interface, so their answers come from 127.0.0.1)"
  "fleet/ProvisionRunTest.cpp|simulated LAN modules in-process, each on its own loopback address, as only Linux routes them (Wine binds 127.0.0.x as the loopback interface, so their answers come from 127.0.0.1)"
  "lanwindow/LanModulesWindowTest.cpp|simulated LAN modules in-process, each on its own loopback address, as only Linux routes them (Wine binds 127.0.0.x as the loopback interface, so their answers come from 127.0.0.1)"
)
# Libraries only those sources need.
set(QUARLINK_LINUX_ONLY_TEST_LIBS util OpenSSL::Crypto)
# Folders of tests that are Linux's own: the Ansible collection runs on Linux.
set(QUARLINK_LINUX_ONLY_TEST_FOLDERS ansible)
