#include <gtest/gtest.h>

#include <sstream>

#include "logger/CLoggerLink.h"
#include "logger/CLoggingBridge.h"
#include "logger/sim/CSimulatedLogger.h"
#include "tests/logger/LoggerTestDoubles.h"

namespace {

using Transfer = CScriptedBridge::Transfer;
using Messages = std::vector<std::pair<std::string, PromptIcon>>;

const SetupBlock BLOCK = ComposeSetupBlock(SetupFields{}, {2024, 6, 3, 10, 0, 0});

Transfer Byte(std::uint8_t value) {
    return {BridgeStatus::Success, {value}, std::nullopt};
}
Transfer Failed() {
    return {BridgeStatus::Timeout, {}, 0};
}

std::pair<std::string, PromptIcon> Info(const std::string& text) {
    return {text, PromptIcon::Information};
}
std::pair<std::string, PromptIcon> Plain(const std::string& text) {
    return {text, PromptIcon::None};
}

struct LinkTest : testing::Test {
    CScriptedBridge bridge;
    CMessageLog prompt;
    CLoggerLink link{bridge, prompt};

    int CallsStartingWith(const std::string& prefix) const {
        return static_cast<int>(
            std::count_if(bridge.Calls.begin(), bridge.Calls.end(),
                          [&](const std::string& call) { return call.rfind(prefix, 0) == 0; }));
    }
    void ExpectClosed() const {
        EXPECT_EQ(link.Handle(), INVALID_BRIDGE_HANDLE);
        EXPECT_EQ(bridge.OpenHandles, 0);
    }
};

TEST_F(LinkTest, findLogger_laterIndexAnswers_reportsItButOpensIndexZero) {
    bridge.Count = 3;
    bridge.Answering = {1, 2};
    EXPECT_EQ(link.FindLogger(), 1);

    bridge.Reads = {Byte(0xFB)};
    EXPECT_TRUE(link.SendCalibration(-5));
    EXPECT_EQ(CallsStartingWith("open"), 1);
    EXPECT_EQ(CallsStartingWith("open 0"), 1);
    EXPECT_EQ(prompt.Messages, Messages{Info("Total calibrated value as -0.5 dB.")});
    ExpectClosed();
}

TEST_F(LinkTest, findLogger_noAnsweringDevice_failsOperationsWithoutOpening) {
    bridge.CountStatus = BridgeStatus::SystemError;
    EXPECT_EQ(link.FindLogger(), -1);
    bridge.CountStatus = BridgeStatus::Success;
    bridge.Count = 0;
    EXPECT_EQ(link.FindLogger(), -1);
    bridge.Count = 2;
    bridge.Answering = {};
    EXPECT_EQ(link.FindLogger(), -1);
    EXPECT_EQ(CallsStartingWith("query"), 2);

    EXPECT_FALSE(link.SendCalibration(1));
    EXPECT_TRUE(prompt.Messages.empty());  // a missing logger says nothing of its own
    EXPECT_FALSE(link.SendSetup(BLOCK));
    EXPECT_EQ(prompt.Messages, Messages{Plain(MSG_WRITE_FAILED)});
    EXPECT_EQ(CallsStartingWith("open"), 0);
}

TEST_F(LinkTest, openFails_calibrationSilentSetupShowsItsMessage) {
    bridge.OpenStatus = BridgeStatus::Busy;
    EXPECT_FALSE(link.SendCalibration(1));
    EXPECT_TRUE(prompt.Messages.empty());
    EXPECT_FALSE(link.SendSetup(BLOCK));
    EXPECT_EQ(prompt.Messages, Messages{Plain(MSG_WRITE_FAILED)});
    EXPECT_EQ(CallsStartingWith("write"), 0);
    EXPECT_EQ(link.Handle(), INVALID_BRIDGE_HANDLE);
}

TEST_F(LinkTest, timedTransfers_setTheirTimeoutAroundTheTransferAndRestoreThePrevious) {
    bridge.Reads = {Byte(0x00)};
    ASSERT_TRUE(link.SendCalibration(-3));
    const std::vector<std::string> expected = {"count",      "query 0", "open 0",      "get",
                                               "set 0 1000", "write",   "set 500 600", "get",
                                               "set 3000 0", "read 1",  "set 500 600", "close"};
    EXPECT_EQ(bridge.Calls, expected);
    EXPECT_EQ(bridge.Written[0], (std::vector<std::uint8_t>{0x0C, 0xFD, 0x00}));
    EXPECT_EQ(prompt.Messages, Messages{Info("Total calibrated value as 0.0 dB.")});
}

TEST_F(LinkTest, calibration_totalIsASignedByteInTenths) {
    const std::vector<std::pair<std::uint8_t, std::string>> replies = {
        {0x00, "0.0"}, {0x80, "-12.8"}, {0xFB, "-0.5"}, {0x7F, "12.7"}, {0x0A, "1.0"}};
    for (const auto& [reply, total] : replies) {
        prompt.Messages.clear();
        bridge.Reads = {Byte(reply)};
        EXPECT_TRUE(link.SendCalibration(10));
        EXPECT_EQ(prompt.Messages, Messages{Info("Total calibrated value as " + total + " dB.")});
        ExpectClosed();
    }
}

TEST_F(LinkTest, calibration_failedTransfers_showWhichDirectionFailed) {
    bridge.Writes = {Failed()};
    EXPECT_FALSE(link.SendCalibration(2));
    EXPECT_EQ(prompt.Messages, Messages{Plain(MSG_WRITE_FAILED)});
    ExpectClosed();

    prompt.Messages.clear();
    EXPECT_FALSE(link.SendCalibration(2));  // no reply waiting: the read times out
    EXPECT_EQ(prompt.Messages, Messages{Plain(MSG_READ_FAILED)});
    ExpectClosed();

    // A read that claims success without a byte has not brought a total.
    prompt.Messages.clear();
    bridge.Reads = {{BridgeStatus::Success, {}, 0}};
    EXPECT_FALSE(link.SendCalibration(2));
    EXPECT_EQ(prompt.Messages, Messages{Plain(MSG_READ_FAILED)});
}

TEST_F(LinkTest, setup_sendsCommandThenBlockAndSkipsBytesBeforeTheAcknowledgement) {
    bridge.Reads = {Byte(0x00), Byte(0x5A), Failed(), Byte(0xFE), Byte(0xFF)};
    EXPECT_TRUE(link.SendSetup(BLOCK));
    ASSERT_EQ(bridge.Written.size(), 2u);
    EXPECT_EQ(bridge.Written[0], (std::vector<std::uint8_t>{0x0E, 0x40, 0x00}));
    EXPECT_EQ(bridge.Written[1], std::vector<std::uint8_t>(BLOCK.begin(), BLOCK.end()));
    EXPECT_EQ(CallsStartingWith("read 1"), 5);
    EXPECT_TRUE(prompt.Messages.empty());
    ExpectClosed();
}

TEST_F(LinkTest, setup_shortCommandWrite_failsBeforeTheBlock) {
    bridge.Writes = {{BridgeStatus::Success, {}, 2}};
    EXPECT_FALSE(link.SendSetup(BLOCK));
    EXPECT_EQ(bridge.Written.size(), 1u);
    EXPECT_EQ(prompt.Messages, Messages{Plain(MSG_WRITE_FAILED)});
    ExpectClosed();
}

TEST_F(LinkTest, setup_shortBlockWrite_isNotExamined) {
    bridge.Writes = {Transfer{}, {BridgeStatus::Success, {}, 10}};
    bridge.Reads = {Byte(0xFF)};
    EXPECT_TRUE(link.SendSetup(BLOCK));
}

TEST_F(LinkTest, setup_failedBlockWrite_fails) {
    bridge.Writes = {Transfer{}, Failed()};
    EXPECT_FALSE(link.SendSetup(BLOCK));
    EXPECT_EQ(CallsStartingWith("read"), 0);
    EXPECT_EQ(prompt.Messages, Messages{Plain(MSG_WRITE_FAILED)});
    ExpectClosed();
}

TEST_F(LinkTest, setup_acknowledgementWait_endsAfterItsBound) {
    // Silence: a bounded number of failed reads.
    EXPECT_FALSE(link.SendSetup(BLOCK));
    EXPECT_EQ(CallsStartingWith("read"), CLoggerLink::ACKNOWLEDGE_FAILED_READS);
    EXPECT_EQ(prompt.Messages, Messages{Plain(MSG_WRITE_FAILED)});
    ExpectClosed();

    // Chatter that never acknowledges: a bounded number of skipped bytes.
    bridge.Calls.clear();
    bridge.Reads.assign(1000, Byte(0x01));
    EXPECT_FALSE(link.SendSetup(BLOCK));
    EXPECT_EQ(CallsStartingWith("read"), CLoggerLink::ACKNOWLEDGE_SKIPPED_BYTES);
    ExpectClosed();
}

TEST_F(LinkTest, loggingBridge_tracesEveryOperationWithItsBytes) {
    std::ostringstream trace;
    auto scripted = std::make_unique<CScriptedBridge>();
    scripted->Reads = {Byte(0xFB)};
    CLoggingBridge logging(std::move(scripted), trace);
    CLoggerLink traced(logging, prompt);
    ASSERT_TRUE(traced.SendCalibration(-5));
    const std::string text = trace.str();
    EXPECT_NE(text.find("count 1 -> Success"), std::string::npos) << text;
    EXPECT_NE(text.find("write handle=7 length=3 written=3: 0c fb 00 -> Success"),
              std::string::npos);
    EXPECT_NE(text.find("read handle=7 wanted=1 got=1: fb -> Success"), std::string::npos);
    EXPECT_NE(text.find("set-timeouts read=3000 write=0"), std::string::npos);
    EXPECT_NE(text.find("close handle=7 -> Success"), std::string::npos);
}

// The link against the simulated logger: each fault of the plan ends in its message, with
// the device closed.
struct FaultCase {
    const char* Plan;
    bool Setup;  // else calibration
    const char* Message;
};

class LinkFaultTest : public testing::TestWithParam<FaultCase> {};

TEST_P(LinkFaultTest, faultEndsInItsMessageWithTheDeviceClosed) {
    CSimulatorBench bench;
    SimulatorOptions options = bench.Options();
    options.Faults = CFaultPlan::Parse(GetParam().Plan);
    CSimulatedLogger simulator(std::move(options));
    CMessageLog prompt;
    CLoggerLink link(simulator, prompt);

    const bool succeeded = GetParam().Setup ? link.SendSetup(BLOCK) : link.SendCalibration(-5);

    EXPECT_FALSE(succeeded);
    ASSERT_EQ(prompt.Messages.size(), 1u);
    EXPECT_EQ(prompt.Messages[0].first, GetParam().Message);
    EXPECT_EQ(link.Handle(), INVALID_BRIDGE_HANDLE);
}

INSTANTIATE_TEST_SUITE_P(Plans, LinkFaultTest,
                         testing::Values(FaultCase{"write:1=fail", true, MSG_WRITE_FAILED},
                                         FaultCase{"write:1=short", true, MSG_WRITE_FAILED},
                                         FaultCase{"write:2=fail", true, MSG_WRITE_FAILED},
                                         FaultCase{"read:1=fail,read:2=fail,read:3=fail", true,
                                                   MSG_WRITE_FAILED},
                                         FaultCase{"noack", true, MSG_WRITE_FAILED},
                                         FaultCase{"unplug:1", true, MSG_WRITE_FAILED},
                                         FaultCase{"unplug:2", true, MSG_WRITE_FAILED},
                                         FaultCase{"unplug:3", true, MSG_WRITE_FAILED},
                                         FaultCase{"write:1=fail", false, MSG_WRITE_FAILED},
                                         FaultCase{"write:1=short", false, MSG_READ_FAILED},
                                         FaultCase{"read:1=fail", false, MSG_READ_FAILED},
                                         FaultCase{"unplug:1", false, MSG_WRITE_FAILED},
                                         FaultCase{"unplug:2", false, MSG_READ_FAILED}));

TEST(LinkWithSimulator, faultsCountFromTheStartAndAnUnpluggedLoggerStaysAway) {
    CSimulatorBench bench;
    SimulatorOptions options = bench.Options();
    options.Faults = CFaultPlan::Parse("read:2=fail,read:3=fail,unplug:9");
    CSimulatedLogger simulator(std::move(options));
    CMessageLog prompt;
    CLoggerLink link(simulator, prompt);

    EXPECT_TRUE(link.SendCalibration(3));   // transfers 1 and 2
    EXPECT_FALSE(link.SendCalibration(3));  // transfers 3 and 4: read 2 fails
    // Transfers 5 to 8: the acknowledgement comes after one failed read.
    EXPECT_TRUE(link.SendSetup(BLOCK));
    EXPECT_EQ(link.FindLogger(), 0);
    EXPECT_FALSE(link.SendSetup(BLOCK));  // the logger vanishes before transfer 9
    EXPECT_EQ(link.FindLogger(), -1);
    EXPECT_FALSE(link.SendCalibration(3));
    EXPECT_EQ(link.Handle(), INVALID_BRIDGE_HANDLE);
    const Messages expected = {Info("Total calibrated value as 0.3 dB."), Plain(MSG_READ_FAILED),
                               Plain(MSG_WRITE_FAILED)};
    EXPECT_EQ(prompt.Messages, expected);
}

}  // namespace
