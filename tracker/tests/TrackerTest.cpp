#include "TrackerTestSupport.h"

#include "tracker/SystemProperties.h"

#include "analytics_core/Sdk.h"

#include "Utils/Text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

namespace {

using namespace tavik::tracking;

size_t QueuedRecords()
{
    std::shared_ptr<analytics_core::Sdk> sdk = analytics_core::Sdk::Instance();
    return sdk ? sdk->Queue().Size() : 0;
}

std::vector<std::string> Events(const std::vector<Json::Value>& records)
{
    std::vector<std::string> events;
    for (const Json::Value& record : records) events.push_back(record["event"].asString());
    return events;
}

class TrackerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        run_.config.downloadedAppId = "Melvane";
        tracker_ = &run_.Start();
        id_ = run_.Id();
    }

    // Ends the run and returns its records as the collector stored them.
    std::vector<Json::Value> Finish()
    {
        run_.Stop();
        return ok_.Records(id_);
    }

    Collector ok_{"ok"};
    TrackerRun run_{ok_};
    Tracker* tracker_ = nullptr;
    std::string id_;
    TkContextProperties none_;
};

TEST_F(TrackerTest, ClickWithoutANameQueuesNothingAndSaysSo)
{
    StdoutCapture output;
    tracker_->trackClick(TkEventClick(), none_);
    EXPECT_EQ(output.Text(), "Failed to trackClick\n");
    EXPECT_EQ(QueuedRecords(), 0u);
}

TEST_F(TrackerTest, ChecksRefuseBadRecordsBeforeQueueing)
{
    TrackerImpl& impl = run_.Impl();
    TkEventOrder order;
    order.suitId = "suit";
    order.currency = TkCurrency::CNY;
    order.originalAmount = 10;
    order.paidAmount = 8;
    TkEventPayment payment;
    payment.orderId = "order";
    payment.currency = TkCurrency::USD;
    payment.paidPlatform = TkPaidPlatform::PayPal;
    payment.result = TkResult::Success;
    TkEventAppOpenNotification notification;
    notification.planId = "plan";
    notification.planType = "type";
    notification.msgTitle = "title";

    const struct {
        const char* function;
        const char* message;
        std::function<void()> call;
    } cases[] = {
        {"trackClick", "tkEventClick.name is empty", [&] { impl.trackClick(TkEventClick(), none_); }},
        {"trackClick", "Unknown ClickType [9]!",
         [&] {
             TkEventClick click;
             click.name = "x";
             click.clickType = static_cast<TkClickType>(9);
             impl.trackClick(click, none_);
         }},
        {"trackView", "tkEventView.name is empty", [&] { impl.trackView(TkEventView(), none_); }},
        {"trackCashier", "tkEventCashier.tk_cashier_name is empty", [&] { impl.trackCashier(TkEventCashier(), none_); }},
        {"trackShare", "Unknown task result [7]!",
         [&] {
             TkEventShare share;
             share.result = static_cast<TkResult>(7);
             impl.trackShare(share, none_);
         }},
        {"trackTask", "tkEventTask.name is empty", [&] { impl.trackTask(TkEventTask(), none_); }},
        {"trackFile", "tkEventFile.aname is empty", [&] { impl.trackFile(TkEventFile(), none_); }},
        {"trackFile", "the io type is invalid",
         [&] {
             TkEventFile file;
             file.aname = "f";
             file.io = static_cast<TkIoType>(2);
             impl.trackFile(file, none_);
         }},
        {"trackOrder", "tkEventOrder.tkSuitId is empty",
         [&] {
             TkEventOrder bad = order;
             bad.suitId.clear();
             impl.trackOrder(bad, none_);
         }},
        {"trackOrder", "tkEventOrder.tkCurrency is nullptr",
         [&] {
             TkEventOrder bad = order;
             bad.currency.reset();
             impl.trackOrder(bad, none_);
         }},
        {"trackOrder", "tkEventOrder.originalAmount is less than zero",
         [&] {
             TkEventOrder bad = order;
             bad.originalAmount = 0;
             impl.trackOrder(bad, none_);
         }},
        {"trackOrder", "tkEventOrder.paidAmount is not above zero",
         [&] {
             TkEventOrder bad = order;
             bad.paidAmount = -1;
             impl.trackOrder(bad, none_);
         }},
        {"trackOrder", "Unknown currency [11]!",
         [&] {
             TkEventOrder bad = order;
             bad.currency = static_cast<TkCurrency>(11);
             impl.trackOrder(bad, none_);
         }},
        {"trackPayment", "tkEventPayment.tkOrderId is empty",
         [&] {
             TkEventPayment bad = payment;
             bad.orderId.clear();
             impl.trackPayment(bad, none_);
         }},
        {"trackPayment", "paidAmount = -2.5 is invalid",
         [&] {
             TkEventPayment bad = payment;
             bad.paidAmount = -2.5f;
             impl.trackPayment(bad, none_);
         }},
        {"trackPayment", "originalAmount = -1 is invalid",
         [&] {
             TkEventPayment bad = payment;
             bad.originalAmount = -1;
             impl.trackPayment(bad, none_);
         }},
        {"trackPayment", "tkEventPayment.result is invalid",
         [&] {
             TkEventPayment bad = payment;
             bad.result = TkResult::Cancelled;
             impl.trackPayment(bad, none_);
         }},
        {"trackPayment", "tkEventPayment.tkPaidPlatform is nullptr",
         [&] {
             TkEventPayment bad = payment;
             bad.paidPlatform.reset();
             impl.trackPayment(bad, none_);
         }},
        {"trackPayment", "Unknown tkIapType [0]!",
         [&] {
             TkEventPayment bad = payment;
             bad.iapType = static_cast<TkIapType>(0);
             impl.trackPayment(bad, none_);
         }},
        {"trackLogin", "Unknown user type [12]!",
         [&] {
             TkUser user;
             user.userType = static_cast<TkUserType>(12);
             impl.trackLogin(user, true, "", none_);
         }},
        {"trackUpdate", "Unknown TkUpdateOp [5]!",
         [&] {
             TkEventUpdate update;
             update.op = static_cast<TkUpdateOp>(5);
             impl.trackUpdate(update, none_);
         }},
        {"trackUpdate", "invalid elapsed info",
         [&] {
             TkEventUpdate update;
             update.op = TkUpdateOp::DownloadEnd;
             update.result = TkUpdateResult::Success;
             impl.trackUpdate(update, none_);
         }},
        {"trackUpdate", "Unknown updateResultInfo info",
         [&] {
             TkEventUpdate update;
             update.op = TkUpdateOp::UpgrateEnd;
             update.elapsed = 1;
             impl.trackUpdate(update, none_);
         }},
        {"trackAppOpenNotification", "&appOpenNotification is nullptr",
         [&] { impl.trackAppOpenNotification(nullptr, none_); }},
        {"trackAppOpenNotification", "planID is emptry",
         [&] {
             TkEventAppOpenNotification bad = notification;
             bad.planId.clear();
             impl.trackAppOpenNotification(&bad, none_);
         }},
        {"trackAppOpenNotification", "planType is emptry",
         [&] {
             TkEventAppOpenNotification bad = notification;
             bad.planType.clear();
             impl.trackAppOpenNotification(&bad, none_);
         }},
        {"trackAppOpenNotification", "msgTitle is emptry",
         [&] {
             TkEventAppOpenNotification bad = notification;
             bad.msgTitle.clear();
             impl.trackAppOpenNotification(&bad, none_);
         }},
    };
    for (const auto& c : cases) {
        const std::optional<TkException> error = Thrown(c.call);
        ASSERT_TRUE(error) << c.message;
        EXPECT_STREQ(error->what(), c.message);
        EXPECT_EQ(error->function(), c.function) << c.message;
        EXPECT_EQ(error->sourceFile(), "..\\..\\..\\..\\source\\src\\TrackerImpl");
        EXPECT_EQ(QueuedRecords(), 0u) << c.message;
    }
    EXPECT_EQ(impl.pendingCount(), 0);
}

TEST_F(TrackerTest, EveryRecordCarriesTheCommonProperties)
{
    TkEventView view;
    view.name = "page";
    tracker_->trackView(view, none_);
    const std::vector<Json::Value> records = Finish();
    ASSERT_EQ(records.size(), 1u);
    const Json::Value& p = records[0]["properties"];
    const std::pair<const char*, std::string> texts[] = {
        {"$lib", "cpp"},
        {"$lib_version", "0.9"},
        {"tk_app_id", run_.config.appName},
        {"$app_id", run_.config.appName},
        {"$app_version", "2.4.1"},
        {"tk_app_store", "tracker_test.exe"},
        {"tk_edition", "china"},
        {"tk_dlapp_id", "Melvane"},
        {"tk_app_platform", "Windows"},
        {"tk_track_type", "Client"},
        {"tk_sdk_version", "3.3.8"},
        {"tk_sdk", "WindowsCPP"},
        {"$os", "Windows"},
        {"$os_version", CurrentWindowsVersionName()},
        {"tk_name", "page"},
    };
    for (const auto& [name, value] : texts) EXPECT_EQ(p[name].asString(), value) << name;
    const LocaleProperties locale = ResolveLocale("");
    EXPECT_EQ(p["tk_l10n_locale"], locale.locale);
    EXPECT_EQ(p["tk_l10n_language"], locale.language);
    EXPECT_EQ(p["tk_l10n_country"], locale.country);
    EXPECT_EQ(p["$screen_width"].asInt(), ::GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(p["$screen_height"].asInt(), ::GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(p["$is_first_time"], true);
    EXPECT_FALSE(p.isMember("tk_dlapp_version"));
    EXPECT_FALSE(p.isMember("tk_user_id"));
}

TEST_F(TrackerTest, TaskPropertiesFollowWhatTheTaskCarries)
{
    TkEventTask unknown;
    unknown.name = "unknown result";
    unknown.elapsed = 12.5f;
    unknown.result = TkResult::Unknown;
    tracker_->trackTask(unknown, none_);
    TkEventTask bare;
    bare.name = "bare";
    tracker_->trackTask(bare, none_);
    TkEventTask failed;
    failed.name = "failed";
    failed.aname = "step";
    failed.reason = "disk full";
    failed.elapsed = 0;
    failed.result = TkResult::Fail;
    tracker_->trackTask(failed, none_);

    const std::vector<Json::Value> records = Finish();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0]["properties"]["tk_task_elapsed"].asDouble(), 12.5);
    EXPECT_FALSE(records[0]["properties"].isMember("tk_task_result"));
    EXPECT_FALSE(records[1]["properties"].isMember("tk_task_elapsed"));
    EXPECT_FALSE(records[1]["properties"].isMember("tk_task_result"));
    EXPECT_FALSE(records[1]["properties"].isMember("tk_reason"));
    const Json::Value& p = records[2]["properties"];
    EXPECT_EQ(p["tk_task_name"], "failed");
    EXPECT_EQ(p["tk_task_result"], "Fail");
    EXPECT_EQ(p["tk_task_elapsed"].asDouble(), 0.0);
    EXPECT_EQ(p["tk_aname"], "step");
    EXPECT_EQ(p["tk_reason"], "disk full");
}

TEST_F(TrackerTest, DeferredEventsWaitForTheCrashWhichPostsThemInOneRequest)
{
    TkEventClick click;
    click.name = "one";
    tracker_->trackClick(click, none_);
    TkEventView view;
    view.name = "two";
    tracker_->trackView(view, none_);
    EXPECT_TRUE(ok_.Requests(id_).empty());
    tracker_->trackCrash(u8"崩溃");

    const std::vector<Json::Value> records = Finish();
    const std::vector<Json::Value> requests = ok_.Requests(id_);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0]["records"], 3);
    EXPECT_EQ(Events(records), (std::vector<std::string>{"TkEventClick", "TkEventView", "AppCrashed"}));
    const Json::Value& crash = records[2]["properties"];
    EXPECT_EQ(crash["app_crashed_reason"], u8"崩溃");
    EXPECT_FALSE(crash.isMember("$is_first_time"));
}

TEST_F(TrackerTest, AnImmediateEventAlonePostsItsOwnRecord)
{
    tracker_->trackCrash("alone");
    // The flush runs on its own thread until a post has succeeded; the
    // tracker's end waits for it and then has nothing left to post.
    const std::vector<Json::Value> records = Finish();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["event"], "AppCrashed");
    EXPECT_EQ(ok_.Requests(id_).size(), 1u);
}

TEST_F(TrackerTest, ActivityCarriesTheUserAgentAndUpdatesTheProfile)
{
    TkContextProperties ctx;
    ctx.add("$os", "replaced", {TkEventKind::Activity});
    ctx.add("tkc_ab", "B2", {TkEventKind::Activity});
    tracker_->trackActivity(ctx);
    const std::vector<Json::Value> records = Finish();
    ASSERT_EQ(records.size(), 11u);
    const Json::Value& p = records[0]["properties"];
    EXPECT_EQ(records[0]["event"], "TkEventActivity");
    EXPECT_EQ(p["$user_agent"], UserAgent(CurrentWindowsVersionName(), IsWindows64Bit()));
    EXPECT_EQ(p["$ios_install_source"], "android_id=123##imei=1234##mac=123");
    EXPECT_EQ(p["$os"], "Windows");
    EXPECT_EQ(p["tkc_ab"], "B2");
    const struct {
        const char* type;
        const char* name;
    } profile[] = {
        {"profile_set_once", "$first_visit_time"}, {"profile_set_once", "tk_first_visit_date"},
        {"profile_set", "tk_last_visit_date"},     {"profile_set", "tk_os"},
        {"profile_set", "tk_os_version"},          {"profile_set", "tk_app_store"},
        {"profile_set", "tk_app_platform"},        {"profile_set", "tk_last_app_id"},
        {"profile_set", "tk_last_app_version"},    {"profile_set_once", "$ios_install_source"},
    };
    for (size_t i = 0; i < std::size(profile); ++i) {
        const Json::Value& record = records[i + 1];
        EXPECT_EQ(record["type"], profile[i].type) << i;
        EXPECT_TRUE(record["properties"].isMember(profile[i].name)) << profile[i].name;
        EXPECT_FALSE(record.isMember("event"));
    }
    EXPECT_EQ(records[8]["properties"]["tk_last_app_id"], run_.config.appName);
}

TEST_F(TrackerTest, PaymentCountsTheConsumptionAndRaisesTheVipLevel)
{
    TkEventPayment payment;
    payment.orderId = "order-1";
    payment.currency = TkCurrency::HKD;
    payment.paidPlatform = TkPaidPlatform::ChinaUnionPay;
    payment.result = TkResult::Success;
    payment.iapType = TkIapType::AutoRenewable;
    payment.paidAmount = 12.5f;
    payment.originalAmount = 20;
    tracker_->trackPayment(payment, none_);
    const std::vector<Json::Value> records = Finish();
    ASSERT_EQ(records.size(), 5u);
    const Json::Value& p = records[0]["properties"];
    EXPECT_EQ(p["tk_paid_platform"], "ChinaUnionPay");
    EXPECT_EQ(p["tk_currency"], "HKD");
    EXPECT_EQ(p["tk_result"], "Success");
    EXPECT_EQ(p["tk_iap_type"], "AutoRenewable");
    EXPECT_EQ(p["tk_paid_amount"].asDouble(), 12.5);
    EXPECT_EQ(records[1]["type"], "profile_increment");
    EXPECT_EQ(records[1]["properties"]["tk_paid_count"], 1);
    EXPECT_EQ(records[2]["properties"]["tk_consumption"].asDouble(), 12.5);
    EXPECT_EQ(ReadIni(run_.SettingsFile(), "Base", "UserVipLevel"), "1");
}

TEST_F(TrackerTest, UpdateRecordsFollowTheirStep)
{
    TkEventUpdate check;
    check.op = TkUpdateOp::UpdateCheck;
    tracker_->trackUpdate(check, none_);
    TkEventUpdate end;
    end.op = TkUpdateOp::UpgrateEnd;
    end.result = TkUpdateResult::Fail;
    end.elapsed = 3.25f;
    tracker_->trackUpdate(end, none_);
    const std::vector<Json::Value> records = Finish();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0]["properties"]["tk_update_op"], "UpdateCheck");
    EXPECT_EQ(records[0]["properties"]["tk_update_result"], "");
    EXPECT_FALSE(records[0]["properties"].isMember("$is_first_time"));
    EXPECT_EQ(records[1]["properties"]["tk_update_op"], "UpgrateEnd");
    EXPECT_EQ(records[1]["properties"]["tk_update_result"], "Fail");
    EXPECT_EQ(records[1]["properties"]["tk_elapsed"].asDouble(), 3.25);
    EXPECT_EQ(records[1]["properties"]["$is_first_time"], true);
}

TEST_F(TrackerTest, LocaleOverrideReachesLaterRecords)
{
    tracker_->setL10nLocale("zh_TW");
    TkEventView view;
    view.name = "page";
    tracker_->trackView(view, none_);
    const std::vector<Json::Value> records = Finish();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["properties"]["tk_l10n_locale"], "zh_TW");
    EXPECT_EQ(records[0]["properties"]["tk_l10n_language"], "zh");
    EXPECT_EQ(records[0]["properties"]["tk_l10n_country"], "TW");
}

TEST_F(TrackerTest, AnsiTextIsSentAsUtf8)
{
    // "café" in the ANSI code page when that code page has the letter.
    const std::string ansi = Utils::ToNarrow(L"caf\u00E9", Utils::kAnsiCodePage);
    if (ansi.size() != 4) GTEST_SKIP() << "the ANSI code page has no e-acute";
    TkEventView view;
    view.name = ansi;
    tracker_->trackView(view, none_);
    const std::vector<Json::Value> records = Finish();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["properties"]["tk_name"], u8"caf\u00E9");
}

// Records a run could not post go out with the next run of the application.
TEST(TrackerStaging, UnsentRecordsReachTheNextRun)
{
    Collector failing("fail500");
    Collector ok("ok");
    TrackerRun run(failing);
    Tracker& first = run.Start();
    const std::string id = run.Id();
    TkEventClick click;
    click.name = "unsent";
    first.trackClick(click, TkContextProperties());
    run.Stop();
    EXPECT_EQ(failing.Requests(id).size(), 3u);
    const std::vector<Json::Value> staged = run.StagedRecords();
    ASSERT_EQ(staged.size(), 1u);
    EXPECT_EQ(staged[0]["properties"]["tk_name"], "unsent");

    run.config.serverUrl = ok.Url();
    Tracker& second = run.Start();
    EXPECT_EQ(run.Id(), id);
    click.name = "next";
    second.trackClick(click, TkContextProperties());
    run.Stop();
    const std::vector<Json::Value> records = ok.Records(id);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0]["properties"]["tk_name"], "unsent");
    EXPECT_EQ(records[1]["properties"]["tk_name"], "next");
    EXPECT_EQ(ok.Requests(id).size(), 1u);
}

// Until a post succeeds each crash flushes on a thread of its own, here
// against a collector that never answers. The tracker's end waits for all
// three (three tries each), makes its own three tries and stages the records.
TEST(TrackerStaging, FlushThreadsEndBeforeTheTrackerDoes)
{
    Collector dropping("drop");
    TrackerRun run(dropping);
    Tracker& tracker = run.Start();
    const std::string id = run.Id();
    for (int i = 0; i < 3; ++i) tracker.trackCrash("crash " + std::to_string(i));
    run.Stop();
    EXPECT_EQ(dropping.Requests(id).size(), 12u);

    std::vector<std::string> reasons;
    for (const Json::Value& record : run.StagedRecords()) {
        reasons.push_back(record["properties"]["app_crashed_reason"].asString());
    }
    EXPECT_EQ(reasons, (std::vector<std::string>{"crash 0", "crash 1", "crash 2"}));
}

} // namespace
