#include "capture/recognition_workflow.h"

#include <gtest/gtest.h>

#include "app/control_names.h"
#include "capture/offline_recognizer.h"
#include "support/fake_form.h"
#include "support/fake_text_engine.h"
#include "support/scripted_transport.h"
#include "support/temp_dir.h"

namespace {

// A small 32-bit bottom-up BMP, as a screen capture makes it.
Bytes smallBmp(int w, int h) {
    const int stride = w * 4;
    Bytes b(54 + stride * h, '\0');
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, static_cast<uint32_t>(b.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, w);
    put32(22, h);
    b[26] = 1;
    b[28] = 32;
    for (int i = 54; i < static_cast<int>(b.size()); ++i) b[i] = static_cast<char>(i * 7);
    return b;
}

class RecognitionWorkflowTest : public ::testing::Test {
protected:
    TempDir dir;
    AppState state{dir.path()};
    FakeForm form;
    FakeClipboard clipboard;
    ScriptedTransport transport;
    HttpClient http{transport};
    OcrClient ocr{state, form, http};
    std::vector<std::string> delivered;
    std::string sourceWhenDelivered;
    RecognitionWorkflow workflow{state, form, clipboard, ocr, [this](const Text& t) {
                                     delivered.push_back(t);
                                     sourceWhenDelivered = form.text(ctl::编辑框_源);
                                 }};

    void SetUp() override {
        std::array<Text, 12> e{};
        e[0] = "http://srv/accurate";
        e[7] = "http://srv/idcard";
        state.setService("T", &e);
        form.setSelectedIndex(ctl::组合框文字, 0);
        form.setText(ctl::编辑框_源, "before");
        clipboard.value = "clip";
        ResultsTable(form).resetLayout();
    }
    RecognitionJob job(int kind, Bytes image = smallBmp(8, 4)) {
        RecognitionJob j;
        j.kind = kind;
        j.image = std::make_shared<const Bytes>(std::move(image));
        j.service = state.snapshotService();
        return j;
    }
    std::string status() { return form.statusText(ctl::状态条1, 1); }
    std::string cell(int r, int c) { return form.cell(ctl::高级表格1, r, c); }
};

TEST_F(RecognitionWorkflowTest, TextLinesJoinedByLineBreaksOrMerged) {
    transport.reply("srv/accurate", R"({"words_result":[{"words":"ab"},{"words":"cd"}],"words_result_num":2})");
    struct Case {
        bool merge, toClipboard;
        const char* text;
        const char* clip;
    };
    for (const Case& c : {Case{false, true, "ab\r\ncd\r\n", "ab\r\ncd\r\n"}, Case{true, false, "abcd", "clip"}}) {
        form.setChecked(ctl::选择框文本合并, c.merge);
        form.setChecked(ctl::选择框同步剪切板, c.toClipboard);
        clipboard.value = "clip";
        delivered.clear();
        workflow.run(job(1));
        EXPECT_EQ(form.text(ctl::编辑框_源), c.text);
        EXPECT_EQ(clipboard.value, c.clip);
        EXPECT_EQ(delivered, std::vector<std::string>{c.text});
        EXPECT_EQ(status(), "状态：识别完毕");
    }
    EXPECT_EQ(sourceWhenDelivered, "ab\r\ncd\r\n");  // the targets get it before the source box
    EXPECT_EQ(transport.last().path, "/accurate");
    EXPECT_TRUE(transport.last().body.find("image=%2F9j%2F") != std::string::npos)
        << "a JPEG travels: its base64 starts with /9j/";
}

TEST_F(RecognitionWorkflowTest, EmptyResultIsAFinishedRecognitionOfNothing) {
    transport.reply("srv/accurate", R"({"words_result":[]})");
    form.setChecked(ctl::选择框同步剪切板, true);
    workflow.run(job(1));
    EXPECT_EQ(form.text(ctl::编辑框_源), "");
    EXPECT_EQ(delivered, std::vector<std::string>{""});
    EXPECT_EQ(clipboard.value, "");
    EXPECT_EQ(status(), "状态：识别完毕");
}

TEST_F(RecognitionWorkflowTest, FailuresChangeNothingButTheStatus) {
    struct Case {
        const char* name;
        bool answer;
        const char* body;
        const char* status;
    };
    for (const Case& c :
         {Case{"no answer", false, "", "状态：识别失败"},
          Case{"error reply", true, R"({"error_code":110,"error_msg":"Access token invalid"})",
               "状态：识别失败：Access token invalid"},
          Case{"not json", true, "<html>", "状态：识别失败"}}) {
        for (int kind : {1, 8}) {
            if (c.answer)
                transport.reply(kind == 1 ? "srv/accurate" : "srv/idcard", c.body);
            else
                transport.refuse(kind == 1 ? "srv/accurate" : "srv/idcard");
            form.setChecked(ctl::选择框同步剪切板, true);
            form.setCell(ctl::高级表格1, 1, 1, "kept");
            workflow.run(job(kind));
            EXPECT_EQ(status(), c.status) << c.name;
            EXPECT_EQ(form.text(ctl::编辑框_源), "before") << c.name;
            EXPECT_EQ(clipboard.value, "clip") << c.name;
            EXPECT_TRUE(delivered.empty()) << c.name;
            EXPECT_EQ(cell(1, 1), "kept") << c.name;
        }
    }
}

TEST_F(RecognitionWorkflowTest, EmptyCapture) {
    for (Bytes image : {Bytes(), Bytes("BM"), Bytes(100, '\0'), smallBmp(0, 0)}) {
        form.setStatusText(ctl::状态条1, 1, "");
        workflow.run(job(1, image));
        EXPECT_EQ(status(), "状态：截图为空");
        EXPECT_TRUE(transport.requests().empty());
    }
}

TEST_F(RecognitionWorkflowTest, CardFieldsFillTheTableInReplyOrder) {
    transport.reply("srv/idcard",
                    R"({"words_result":{"住址":{"words":"北京"},"公民身份号码":{"words":"1"},)"
                    R"("出生":{"words":"19900101"},"姓名":{"words":"张三"},"性别":{"words":"男"},)"
                    R"("民族":{"words":"汉"}},"words_result_num":6})");
    form.setChecked(ctl::选择框同步剪切板, true);
    workflow.run(job(8));
    ASSERT_EQ(form.rowCount(ctl::高级表格1), 7);
    ASSERT_EQ(form.columnCount(ctl::高级表格1), 3);
    EXPECT_EQ(cell(0, 0), "行号");
    EXPECT_EQ(cell(0, 1), "类型");
    EXPECT_EQ(cell(0, 2), "内容");
    const char* names[] = {"住址", "公民身份号码", "出生", "姓名", "性别", "民族"};
    for (int i = 1; i <= 6; ++i) {
        EXPECT_EQ(cell(i, 0), std::to_string(i));
        EXPECT_EQ(cell(i, 1), names[i - 1]);
    }
    EXPECT_EQ(cell(4, 2), "张三");
    EXPECT_EQ(form.columnWidth(ctl::高级表格1, 2), 200);
    EXPECT_EQ(form.fixedColumnCount(ctl::高级表格1), 2);
    EXPECT_EQ(form.text(ctl::编辑框_源), "before");
    EXPECT_EQ(clipboard.value, "clip");
    EXPECT_TRUE(delivered.empty());
    EXPECT_EQ(status(), "状态：识别完毕");
}

TEST_F(RecognitionWorkflowTest, CardWithoutFieldsLeavesTheHeaderRow) {
    transport.reply("srv/idcard", R"({"words_result":{},"words_result_num":0})");
    workflow.run(job(8));
    EXPECT_EQ(form.rowCount(ctl::高级表格1), 1);
    EXPECT_EQ(cell(0, 2), "内容");
}

TEST_F(RecognitionWorkflowTest, StoppedRunWritesNothingMore) {
    transport.reply("srv/accurate", R"({"words_result":[{"words":"new"}]})");
    RecognitionJob j = job(1);
    // Stopped while the targets are being served: the window keeps what it had.
    RecognitionWorkflow stoppingWorkflow{state, form, clipboard, ocr,
                                         [&](const Text&) { j.stopped->store(true); }};
    form.setChecked(ctl::选择框同步剪切板, true);
    form.setStatusText(ctl::状态条1, 1, "");
    stoppingWorkflow.run(j);
    EXPECT_EQ(form.text(ctl::编辑框_源), "before");
    EXPECT_EQ(clipboard.value, "clip");
    EXPECT_EQ(status(), "状态：截图识别中……");

    RecognitionJob early = job(1);
    early.stopped->store(true);
    form.setStatusText(ctl::状态条1, 1, "x");
    workflow.run(early);
    EXPECT_EQ(status(), "x");
}

TEST_F(RecognitionWorkflowTest, EachRunKeepsTheServiceItStartedWith) {
    transport.reply("srv/accurate", R"({"words_result":[]})");
    RecognitionJob j = job(1);
    std::array<Text, 12> other{};
    other[0] = "http://elsewhere/accurate";
    state.setService("T2", &other);  // a token step after the worker started
    workflow.run(j);
    EXPECT_EQ(transport.last().host, "srv");
    EXPECT_EQ(transport.last().body.rfind("access_token=T&", 0), 0u);
}

}  // namespace

// The offline kind reads the capture's pixels on this machine and shows its lines exactly as
// a cloud text result; a language without its data names the package to install.
TEST_F(RecognitionWorkflowTest, OfflineKindGoesThroughTheEngine) {
    FakeTextEngine engine;
    OfflineRecognizer offline(engine);
    workflow.setOfflineRecognizer(&offline);
    engine.lines = {"状态 ： 完成", "Hello, world"};
    form.setChecked(ctl::选择框文本合并, false);
    form.setChecked(ctl::选择框同步剪切板, true);
    form.setSelectedIndex(ctl::组合框文字, 1);
    workflow.run(job(5));
    EXPECT_EQ(form.text(ctl::编辑框_源), "状态：完成\r\nHello, world\r\n");
    EXPECT_EQ(clipboard.value, form.text(ctl::编辑框_源));
    EXPECT_EQ(delivered, std::vector<std::string>{form.text(ctl::编辑框_源)});
    EXPECT_EQ(status(), "状态：识别完毕");
    EXPECT_EQ(engine.asked, (std::vector<std::vector<std::string>>{{"chi_sim", "eng"}}));
    EXPECT_TRUE(transport.requests().empty());

    form.setSelectedIndex(ctl::组合框文字, 3);  // 日文, not installed
    form.setText(ctl::编辑框_源, "before");
    workflow.run(job(5));
    EXPECT_EQ(status(), "状态：离线识别缺少语言数据，请安装 tesseract-ocr-jpn");
    EXPECT_EQ(form.text(ctl::编辑框_源), "before");
    EXPECT_EQ(engine.asked.size(), 1u);
}
