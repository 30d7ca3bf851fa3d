// The main window's controls at design size (client area 896 x 676).
#include <map>
#include <stdexcept>

#include "app/control_names.h"
#include "app/language_codes.h"
#include "app/layout.h"

namespace layout {
namespace {

using platform::ListItem;
using platform::Rect;

constexpr char kTab[] = "选择夹1";

Control make(const char* name, Kind kind, const std::string& parent, int page,
             const std::string& caption, Rect geometry) {
    Control c;
    c.name = name;
    c.kind = kind;
    c.parent = parent;
    c.page = page;
    c.caption = caption;
    c.geometry = geometry;
    return c;
}

std::vector<ListItem> plainItems(const std::vector<std::string>& texts) {
    std::vector<ListItem> items;
    for (size_t i = 0; i < texts.size(); ++i) items.push_back({texts[i], static_cast<int64_t>(i)});
    return items;
}

std::vector<Control> buildControls() {
    using namespace ctl;
    std::vector<Control> v;
    auto add = [&v](Control c) -> Control& {
        v.push_back(std::move(c));
        return v.back();
    };
    const std::string sample = "100|100|1000|200";

    // Directly on the window.
    add(make(标签提示, Kind::Label, "", -1,
             "提示：最新版无需更新！如果学习有止境，选择有预见，就不会在风中迷茫，在阳光下寻找答案！",
             {0, 0, 896, 14}))
        .font = {"SimSun", 9};
    add(make(超文本浏览框1, Kind::HtmlView, "", -1, "qrc:/ozmira/banner.gif", {0, 14, 895, 280}));
    add(make(图片框1, Kind::PictureBox, "", -1, "", {0, 14, 895, 280})).hidden = true;
    add(make(选择夹1, Kind::TabControl, "", -1, "", {0, 294, 896, 362})).font = {"SimSun", 9};
    add(make(组合框key, Kind::DropDownList, "", -1, "", {0, 656, 100, 20}));
    add(make(状态条1, Kind::StatusBar, "", -1, "", {100, 656, 792, 20}));

    // Page 1.
    add(make(编辑框_源, Kind::MultiLineEdit, kTab, 0, "", {0, 22, 716, 160}));
    add(make(编辑框_翻译, Kind::MultiLineEdit, kTab, 0, "", {0, 180, 716, 182}));
    add(make(分组框1, Kind::GroupBox, kTab, 0, "", {716, 16, 160, 344}));
    add(make(标签7, Kind::Label, 分组框1, -1, "类型", {8, 12, 25, 20}));
    add(make(组合框识别, Kind::DropDownList, 分组框1, -1, "", {33, 12, 120, 20})).items =
        plainItems({"高精度文字识别", "通用快速文字识别", "手写文字识别", "数字识别",
                    "离线文字识别(本机)"});
    add(make(标签8, Kind::Label, 分组框1, -1, "识别", {8, 32, 25, 20}));
    add(make(组合框文字, Kind::DropDownList, 分组框1, -1, "", {33, 32, 120, 20})).items =
        plainItems(languageItemTexts());
    {
        Control& c = add(make(按钮截图, Kind::Button, 分组框1, -1, "截图识别", {8, 52, 145, 44}));
        c.tag = 21;
        c.disabled = true;
    }
    add(make(分组框5, Kind::GroupBox, 分组框1, -1, "", {8, 92, 145, 92})).font = {"微软雅黑 Light", 9};
    add(make(标签6, Kind::Label, 分组框5, -1, "----坐标式左上XY右下XY----", {2, 3, 140, 14}));
    add(make(编辑框坐标, Kind::LineEdit, 分组框5, -1, sample, {2, 19, 140, 20}));
    add(make(选择框坐标同步, Kind::CheckBox, 分组框5, -1, "截图坐标同步", {2, 40, 139, 16}));
    {
        Control& c =
            add(make(按钮坐标截图, Kind::Button, 分组框5, -1, "坐标截图识别", {2, 55, 140, 34}));
        c.tag = 22;
        c.disabled = true;
    }
    add(make(按钮_复制, Kind::Button, 分组框1, -1, "复制", {8, 183, 145, 25}));
    add(make(按钮_清除, Kind::Button, 分组框1, -1, "清除", {8, 208, 145, 25}));
    add(make(按钮_翻译, Kind::Button, 分组框1, -1, "翻译(可选字符)(&F)", {8, 233, 145, 25}));
    add(make(组合框翻译, Kind::DropDownList, 分组框1, -1, "", {9, 258, 145, 20})).items =
        plainItems({"有道翻译", "谷歌翻译成英文", "谷歌翻译成中文"});
    add(make(按钮_全角符号, Kind::Button, 分组框1, -1, "全角符号", {8, 278, 72, 25}));
    add(make(按钮_半角符号, Kind::Button, 分组框1, -1, "半角符号", {81, 278, 72, 25}));
    add(make(选择框文本合并, Kind::CheckBox, 分组框1, -1, "识别文本合并", {7, 303, 96, 16}));
    add(make(选择框同步剪切板, Kind::CheckBox, 分组框1, -1, "同步剪切板", {7, 318, 96, 17}));
    add(make(按钮同步, Kind::Button, 分组框1, -1, "同步设置", {96, 303, 57, 32}));
    // The sync-settings editor lies over the upper text box, so it comes after it.
    add(make(分组框4, Kind::GroupBox, kTab, 0, "窗口类名|窗口标题|控件ID+窗口类名|窗口标题|控件ID",
             {2, 23, 712, 152}))
        .hidden = true;
    add(make(编辑框_同步设置, Kind::MultiLineEdit, 分组框4, -1, "", {3, 17, 701, 87}));
    add(make(按钮同步保存1, Kind::Button, 分组框4, -1, "取消", {524, 112, 88, 33}));
    add(make(按钮同步保存, Kind::Button, 分组框4, -1, "保存", {616, 112, 88, 33}));

    // Page 2.
    add(make(高级表格1, Kind::Grid, kTab, 1, "", {1, 23, 757, 325}));
    add(make(分组框2, Kind::GroupBox, kTab, 1, "", {758, 16, 160, 325}));
    add(make(组合框证件, Kind::DropDownList, 分组框2, -1, "", {8, 12, 145, 20})).items = {
        {"身份证识别", 7}, {"行驶证识别", 5}};
    add(make(分组框3, Kind::GroupBox, 分组框2, -1, "", {8, 26, 144, 90}));
    add(make(分组框6, Kind::GroupBox, 分组框2, -1, "", {8, 110, 144, 90}));
    struct Side {
        const char* box;
        const char* button;
        const char* caption;
        int tag;
        const char* edit;
        const char* check;
    };
    for (const Side& s : {Side{分组框3, 按钮正面截图, "正面截图并识别", 23, 编辑框坐标正, 选择框坐标同步正},
                          Side{分组框6, 按钮副面截图, "副面截图并识别", 24, 编辑框坐标副, 选择框坐标同步副}}) {
        Control& b = add(make(s.button, Kind::Button, s.box, -1, s.caption, {4, 8, 136, 42}));
        b.tag = s.tag;
        b.disabled = true;
        add(make(s.edit, Kind::LineEdit, s.box, -1, sample, {4, 52, 136, 20}));
        add(make(s.check, Kind::CheckBox, s.box, -1, "截图坐标同步", {5, 72, 135, 16}));
    }
    {
        Control& c = add(
            make(按钮坐标截图证, Kind::Button, 分组框2, -1, "证件坐标截图识别", {8, 213, 145, 32}));
        c.tag = 25;
        c.disabled = true;
    }
    add(make(组合框导出选项, Kind::DropDownList, 分组框2, -1, "", {8, 245, 145, 20}));
    add(make(按钮_导出, Kind::Button, 分组框2, -1, "导出(需定制)", {8, 264, 145, 25}));
    add(make(按钮_清除表项, Kind::Button, 分组框2, -1, "清除表项", {8, 289, 145, 25}));

    // Page 3: the hotkey rows.
    struct Row {
        const char* label;
        const char* caption;
        int labelWidth;
        const char* modifier;
        const char* key;
        int labelTop, modifierTop, keyTop;
    };
    const Row rows[] = {
        {标签1, "截图识别快捷键设置", 128, 组合框1, 编辑框1, 53, 53, 50},
        {标签2, "坐标截图识别快捷键设置", 136, 组合框2, 编辑框2, 86, 86, 84},
        {标签3, "正面截图识别快捷键设置", 136, 组合框3, 编辑框3, 126, 119, 118},
        {标签4, "副面截图识别快捷键设置", 136, 组合框4, 编辑框4, 158, 152, 152},
        {标签5, "证件坐标截图识别快捷键设置", 168, 组合框5, 编辑框5, 190, 188, 187},
    };
    add(make(标签9, Kind::Label, kTab, 2, "快捷键", {151, 26, 40, 16}));
    int n = 1;
    for (const Row& r : rows) {
        add(make(r.label, Kind::Label, kTab, 2, r.caption, {7, r.labelTop, r.labelWidth, 16}));
        Control& m = add(make(r.modifier, Kind::DropDownList, kTab, 2, "", {183, r.modifierTop, 88, 20}));
        m.items = {{"无", 0}, {"Alt键", 1}, {"Ctrl键", 2}, {"Shift键", 4}, {"Win键", 8}};
        m.tag = n;
        add(make(r.key, Kind::LineEdit, kTab, 2, "", {279, r.keyTop, 72, 25})).tag = n + 10;
        ++n;
    }
    add(make(标签分开, Kind::Label, kTab, 2, std::string(103, '-'), {1, 109, 360, 8}));
    add(make(按钮保存, Kind::Button, kTab, 2, "保存", {815, 324, 100, 40}));
    return v;
}

}  // namespace

const Window& window() {
    static const Window w = [] {
        Window v;
        v.title = "OzmiraV3.9";
        v.geometry = {50, 50, 899, 731};
        v.clientSize = {896, 676};
        v.font.family = "SimSun";
        v.font.pointSize = 9;
        v.icon = ":/ozmira/ozmira.png";
        return v;
    }();
    return w;
}

const std::vector<Control>& controls() {
    static const std::vector<Control> all = buildControls();
    return all;
}

const Control* find(const std::string& name) {
    static const std::map<std::string, size_t> index = [] {
        std::map<std::string, size_t> m;
        for (size_t i = 0; i < controls().size(); ++i) m[controls()[i].name] = i;
        return m;
    }();
    auto it = index.find(name);
    return it == index.end() ? nullptr : &controls()[it->second];
}

const Control& findByTag(int tag, Kind expected) {
    for (const Control& c : controls()) {
        if (c.tag != tag) continue;
        if (c.kind != expected) throw std::logic_error("control " + c.name + " has another kind");
        return c;
    }
    throw std::logic_error("no control with tag " + std::to_string(tag));
}

const std::vector<std::string>& tabPages(const std::string& tabControl) {
    static const std::vector<std::string> pages{"文本数字识别翻译", "证件识别+导出", "设置"};
    static const std::vector<std::string> none;
    return tabControl == ctl::选择夹1 ? pages : none;
}

const std::vector<StatusPart>& statusParts(const std::string& statusBar) {
    static const std::vector<StatusPart> parts{{50, "Key选择", "用于设定Key类型等"}, {-1, "", ""}};
    static const std::vector<StatusPart> none;
    return statusBar == ctl::状态条1 ? parts : none;
}

const std::vector<Menu>& menus() {
    static const std::vector<Menu> all{
        {ctl::表格菜单,
         {{"表项剪切"}, {"表项复制"}, {"表项粘贴"}, {"表项删除"}, {""}, {"保存全部内容"},
          {"保存导出设置"}, {"表格设置"}}}};
    return all;
}

const Menu* findMenu(const std::string& name) {
    for (const Menu& m : menus())
        if (m.name == name) return &m;
    return nullptr;
}

}  // namespace layout
