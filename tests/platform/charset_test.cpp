#include "platform/charset.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

std::string utf8Of(char32_t cp) {
    std::string out;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

TEST(Charset, DecodesCodePage936AndGb18030) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"ab\r\n", "ab\r\n"},
        {"\xD6\xD0\xCE\xC4", "\xE4\xB8\xAD\xE6\x96\x87"},  // 中文
        {"\x80", "\xE2\x82\xAC"},                          // the euro sign of Microsoft's 936
        {"\xA3\xA4", "\xEF\xBF\xA5"},                      // ￥
        {"\xA1\xAB", "\xEF\xBD\x9E"},                      // ～
        {"\x83\x36\x84\x33", "\xED\x95\x9C"},              // 한, four-byte form
        {"\x94\x39\xFC\x36", "\xF0\x9F\x98\x80"},          // an emoji, four-byte form
        {"\xAA\xA1", "\xEE\x80\x80"},                      // user-defined area, U+E000
        {"a\xFF"
         "b",
         "a?b"},
        {"\xD6", "?"},
        {"\xD6\x0A", "?\n"},      // a line end is never a trail byte
        {"\x81\x30\x81", "?0?"},  // a cut-off four-byte form
    };
    for (const auto& [bytes, expected] : cases) {
        EXPECT_EQ(charset::cp936ToUtf8(bytes), expected) << expected;
    }
}

TEST(Charset, EncodesCodePage936WithOrWithoutGb18030) {
    struct Case {
        std::string utf8;
        std::string withFallback, without;
    };
    const Case cases[] = {
        {"", "", ""},
        {"a=1", "a=1", "a=1"},
        {"\xE4\xB8\xAD\xE6\x96\x87", "\xD6\xD0\xCE\xC4", "\xD6\xD0\xCE\xC4"},
        {"\xE2\x82\xAC", "\x80", "\x80"},
        {"\xED\x95\x9C", "\x83\x36\x84\x33", "?"},
        {"\xF0\x9F\x98\x80", "\x94\x39\xFC\x36", "?"},
        {"a\xFF"
         "b",
         "a?b", "a?b"},
        {"\xE4\xB8", "?", "?"},
        {"\xC0\xAF", "??", "??"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(charset::utf8ToCp936(c.utf8, true), c.withFallback) << c.utf8;
        EXPECT_EQ(charset::utf8ToCp936(c.utf8, false), c.without) << c.utf8;
    }
}

TEST(Charset, EveryCharacterSurvivesTheRoundTrip) {
    // Every code point outside the private use area, as one text, comes back whole.
    std::string all;
    for (char32_t cp = 1; cp < 0x110000; ++cp) {
        if ((cp < 0xD800 || cp > 0xDFFF) && (cp < 0xE000 || cp > 0xF8FF)) {
            all += utf8Of(cp);
        }
    }
    std::string bytes = charset::utf8ToCp936(all, true);
    EXPECT_EQ(bytes.find('?'), all.find('?')) << "only the question mark itself is a \"?\"";
    EXPECT_TRUE(charset::cp936ToUtf8(bytes) == all);

    // In the private use area a few code points have no form in either encoding; they
    // become "?", all others come back.
    for (char32_t cp = 0xE000; cp <= 0xF8FF; ++cp) {
        std::string bytes = charset::utf8ToCp936(utf8Of(cp), true);
        if (bytes != "?") {
            EXPECT_EQ(charset::cp936ToUtf8(bytes), utf8Of(cp))
                << std::hex << static_cast<uint32_t>(cp);
        }
    }
}

TEST(Charset, RecognizesUtf8) {
    const std::pair<std::string, bool> cases[] = {
        {"", true},
        {"plain", true},
        {"\xE4\xB8\xAD\xF0\x9F\x98\x80\xC3\xA4", true},
        {"\xF4\x8F\xBF\xBF", true},   // U+10FFFF
        {"\xF4\x90\x80\x80", false},  // beyond U+10FFFF
        {"\xC0\x80", false},          // overlong
        {"\xE0\x80\xAF", false},      // overlong
        {"\xED\xA0\x80", false},      // surrogate
        {"\xE4\xB8", false},          // cut off
        {"\xD6\xD0", false},          // code page 936
        {"abcdefgh\x80", false},      // after a run of ASCII
    };
    for (const auto& [bytes, valid] : cases) {
        EXPECT_EQ(charset::isValidUtf8(bytes), valid) << bytes;
    }
    EXPECT_TRUE(charset::isAscii("a\x7F"));
    EXPECT_FALSE(charset::isAscii("a\x80"));
}

TEST(Charset, SanitizesUtf8) {
    const std::pair<std::string, std::string> cases[] = {
        {"ok \xE4\xB8\xAD", "ok \xE4\xB8\xAD"},
        {"\xD6\xD0", "??"},
        {"\xE4\xB8"
         "a",
         "?a"},
        {"\xF0\x9F\x98", "?"},
        {"\xED\xA0\x80", "???"},
        {"\xFF\xFE", "??"},
    };
    for (const auto& [bytes, expected] : cases) {
        EXPECT_EQ(charset::sanitizeUtf8(bytes), expected) << bytes;
    }
}

TEST(Charset, ThreadsConvertIndependently) {
    const std::string text = "\xE4\xB8\xAD\xE6\x96\x87 \xED\x95\x9C abc";
    const std::string bytes = charset::utf8ToCp936(text, true);
    std::vector<int> failures(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                failures[t] += charset::utf8ToCp936(text, true) != bytes;
                failures[t] += charset::cp936ToUtf8(bytes) != text;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

}  // namespace

// Common Chinese words and phrases. Saved as code page 936, a good share of them are also
// valid UTF-8 (学校 is D1 A7 D0 A3, "ѧУ" in UTF-8); every one must still read as 936.
const char* const kCommonChinese[] = {
    "学校",         "谢谢",     "小心",       "写作",         "鞋子",         "协议",
    "效果",         "笑话",     "学生",       "学习",         "老师",         "同学",
    "中国",         "北京",     "上海",       "广州",         "深圳",         "天津",
    "重庆",         "南京",     "杭州",       "武汉",         "成都",         "西安",
    "家里",         "朋友",     "工作",       "公司",         "经理",         "电话",
    "手机",         "电脑",     "网络",       "密码",         "用户",         "设置",
    "文件",         "保存",     "打开",       "关闭",         "确定",         "取消",
    "帮助",         "关于",     "版本",       "更新",         "下载",         "上传",
    "复制",         "粘贴",     "删除",       "剪切",         "全部",         "选择",
    "内容",         "名称",     "地址",       "邮箱",         "姓名",         "性别",
    "民族",         "出生",     "住址",       "号码",         "身份证",       "行驶证",
    "驾驶证",       "车辆",     "品牌",       "型号",         "发动机",       "日期",
    "时间",         "今天",     "明天",       "昨天",         "现在",         "早上",
    "中午",         "下午",     "晚上",       "星期",         "月份",         "年份",
    "春天",         "夏天",     "秋天",       "冬天",         "天气",         "下雨",
    "下雪",         "太阳",     "月亮",       "星星",         "山水",         "河流",
    "大海",         "城市",     "农村",       "国家",         "人民",         "政府",
    "社会",         "经济",     "文化",       "历史",         "科学",         "技术",
    "教育",         "医院",     "医生",       "护士",         "病人",         "健康",
    "身体",         "心情",     "快乐",       "幸福",         "希望",         "梦想",
    "爱情",         "家庭",     "父母",       "爸爸",         "妈妈",         "哥哥",
    "姐姐",         "弟弟",     "妹妹",       "儿子",         "女儿",         "孩子",
    "爷爷",         "奶奶",     "先生",       "女士",         "小姐",         "同志",
    "大家",         "我们",     "你们",       "他们",         "自己",         "什么",
    "怎么",         "为什么",   "因为",       "所以",         "但是",         "如果",
    "虽然",         "已经",     "还是",       "或者",         "可以",         "应该",
    "需要",         "知道",     "觉得",       "认为",         "喜欢",         "开始",
    "结束",         "继续",     "完成",       "问题",         "办法",         "方法",
    "结果",         "原因",     "目的",       "意思",         "意见",         "建议",
    "要求",         "条件",     "机会",       "时候",         "地方",         "东西",
    "事情",         "情况",     "关系",       "发展",         "变化",         "影响",
    "作用",         "水平",     "能力",       "经验",         "知识",         "信息",
    "数据",         "系统",     "程序",       "软件",         "硬件",         "服务",
    "市场",         "价格",     "商品",       "生产",         "消费",         "银行",
    "工资",         "收入",     "支出",       "税收",         "投资",         "识别",
    "翻译",         "截图",     "坐标",       "同步",         "剪切板",       "文本合并",
    "导出",         "表格",     "快捷键",     "状态",         "成功",         "失败",
    "错误",         "提示",     "警告",       "正面",         "副面",         "证件",
    "手写",         "数字",     "通用",       "精确",         "英语",         "日语",
    "韩语",         "法语",     "德语",       "俄语",         "中文",         "英文",
    "汉字",         "拼音",     "句子",       "段落",         "文章",         "小说",
    "诗歌",         "音乐",     "电影",       "电视",         "新闻",         "报纸",
    "杂志",         "图书馆",   "博物馆",     "公园",         "超市",         "商店",
    "饭店",         "宾馆",     "机场",       "火车站",       "汽车",         "火车",
    "飞机",         "自行车",   "地铁",       "公交车",       "出租车",       "马路",
    "街道",         "桥梁",     "吃饭",       "喝水",         "睡觉",         "起床",
    "洗澡",         "刷牙",     "走路",       "跑步",         "游泳",         "唱歌",
    "跳舞",         "看书",     "写字",       "画画",         "说话",         "听说",
    "读写",         "米饭",     "面条",       "饺子",         "包子",         "馒头",
    "水果",         "苹果",     "香蕉",       "西瓜",         "葡萄",         "鸡蛋",
    "牛奶",         "面包",     "蔬菜",       "茶叶",         "咖啡",         "红色",
    "黄色",         "蓝色",     "绿色",       "白色",         "黑色",         "颜色",
    "大小",         "多少",     "长短",       "高低",         "一心一意",     "三心二意",
    "五颜六色",     "七上八下", "十全十美",   "万事如意",     "心想事成",     "一路平安",
    "身体健康",     "工作顺利", "新年快乐",   "生日快乐",     "恭喜发财",     "学无止境",
    "实事求是",     "自力更生", "百花齐放",   "画蛇添足",     "守株待兔",     "亡羊补牢",
    "对牛弹琴",     "井底之蛙", "半途而废",   "全心全意",     "与时俱进",     "小心翼翼",
    "谢天谢地",     "笑逐颜开", "欢迎光临",   "请勿吸烟",     "注意安全",     "禁止停车",
    "谢谢你的帮助", "我是学生", "你好吗",     "今天天气很好", "请稍等",       "没关系",
    "对不起",       "不客气",   "再见",       "晚安",         "早上好",       "欢迎使用本软件",
    "请输入密码",   "操作成功", "文件不存在", "网络连接失败", "保存全部内容", "保存导出设置",
    "表格设置",     "同步设置", "窗口类名",   "窗口标题",     "控件",         "学校的老师",
    "小学",         "中学",     "大学",       "校长",         "校园",         "效率",
    "写字楼",       "协会",     "谢意",       "笑容",         "心脏",         "孝顺",
    "肖像",         "消息",     "销售",       "萧条",         "晓得",         "歇息",
    "蝎子",         "邪恶",     "胁迫",       "挟持",         "携带",         "斜坡",
    "谐音",         "泄露",     "泻药",       "卸货",         "屑子",         "械斗",
    "亵渎",         "懈怠",     "蟹黄",       "美国",         "美丽",         "每天",
    "妹子",         "门口",     "梦里",       "迷路",         "米色",         "秘书",
    "密切",         "棉花",     "免费",       "面前",         "苗条",         "描述",
    "民主",         "明白",     "名字",       "命令",         "模式",         "摸索",
    "磨难",         "末尾",     "莫名",       "墨水",         "默认",         "谋求",
    "某人",         "母亲",     "木头",       "目录",         "牧场",         "穆斯林",
};

TEST(Charset, CommonChineseSavedAsCodePage936ReadsAsCodePage936) {
    int validUtf8 = 0;
    for (const char* word : kCommonChinese) {
        const std::string w = word;
        for (const std::string& text : {w, "[" + w + "]\r\n", "k=" + w + "\r\n", w + w}) {
            const std::string bytes = charset::utf8ToCp936(text, true);
            validUtf8 += charset::isValidUtf8(bytes);
            EXPECT_EQ(charset::detectEncoding(bytes).encoding, charset::Encoding::Cp936) << text;
            EXPECT_EQ(charset::fileTextToUtf8(bytes), text);
        }
    }
    EXPECT_GE(validUtf8, 20) << "the corpus must hold texts that validity alone misreads";
}

TEST(Charset, OrdinaryUtf8TextReadsAsUtf8) {
    const char* const texts[] = {
        "中",
        "中文",
        "学校",
        "谢谢",
        "身份证识别",
        "今天天气很好。",
        "[学校]\r\nAPI Key=a\r\n",
        "Mädchen",
        "café",
        "à la carte",
        "Größe",
        "Zażółć gęślą jaźń",
        "Łódź",
        "naïve",
        "España",
        "São Paulo",
        "Привет, мир",
        "Добрый день",
        "Καλημέρα",
        "日本語のテキスト",
        "한국어",
        "Tiếng Việt",
        "“quoted” — dash…",
        "emoji 😀",
        "€ 10",
        "°C",
    };
    for (const char* text : texts) {
        EXPECT_EQ(charset::detectEncoding(text).encoding, charset::Encoding::Utf8) << text;
        EXPECT_EQ(charset::fileTextToUtf8(text), text);
    }
}

TEST(Charset, ByteOrderMarksDecide) {
    struct Case {
        std::string bytes;
        charset::Encoding encoding;
        size_t bom;
        std::string text;
    };
    const Case cases[] = {
        {"\xEF\xBB\xBF\xD1\xA7", charset::Encoding::Utf8, 3, "ѧ"},
        {std::string("\xFF\xFE[\0\x66\x5B\x21\x68]\0", 10), charset::Encoding::Utf16Le, 2,
         "[学校]"},
        {std::string("\xFE\xFF\0[\x5B\x66\x68\x21\0]", 10), charset::Encoding::Utf16Be, 2,
         "[学校]"},
        {std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6), charset::Encoding::Utf16Le, 2, "😀"},
        {std::string("\xFF\xFE\x00\xD8x", 5), charset::Encoding::Utf16Le, 2, "??"},
        {"plain", charset::Encoding::Cp936, 0, "plain"},
    };
    for (const Case& c : cases) {
        const charset::Detected d = charset::detectEncoding(c.bytes);
        EXPECT_EQ(d.encoding, c.encoding) << c.text;
        EXPECT_EQ(d.bomLength, c.bom) << c.text;
        EXPECT_EQ(charset::fileTextToUtf8(c.bytes), c.text);
    }
    for (bool bigEndian : {false, true}) {
        const std::string text = "[学校]\r\nk=😀 é";
        EXPECT_EQ(charset::utf16ToUtf8(charset::utf8ToUtf16(text, bigEndian), bigEndian), text);
    }
}
