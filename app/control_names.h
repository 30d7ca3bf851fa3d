#pragma once
// One constant per control of the main window, spelled exactly as the layout names it, so a
// misspelt name is a compile error. The same names are the settings sections.

namespace ctl {

// Directly on the window.
inline constexpr char 标签提示[] = "标签提示";
inline constexpr char 超文本浏览框1[] = "超文本浏览框1";
inline constexpr char 图片框1[] = "图片框1";
inline constexpr char 选择夹1[] = "选择夹1";
inline constexpr char 组合框key[] = "组合框key";
inline constexpr char 状态条1[] = "状态条1";

// Page 1, text recognition and translation.
inline constexpr char 编辑框_源[] = "编辑框_源";
inline constexpr char 编辑框_翻译[] = "编辑框_翻译";
inline constexpr char 分组框4[] = "分组框4";
inline constexpr char 编辑框_同步设置[] = "编辑框_同步设置";
inline constexpr char 按钮同步保存1[] = "按钮同步保存1";
inline constexpr char 按钮同步保存[] = "按钮同步保存";
inline constexpr char 分组框1[] = "分组框1";
inline constexpr char 标签7[] = "标签7";
inline constexpr char 组合框识别[] = "组合框识别";
inline constexpr char 标签8[] = "标签8";
inline constexpr char 组合框文字[] = "组合框文字";
inline constexpr char 按钮截图[] = "按钮截图";
inline constexpr char 分组框5[] = "分组框5";
inline constexpr char 标签6[] = "标签6";
inline constexpr char 编辑框坐标[] = "编辑框坐标";
inline constexpr char 选择框坐标同步[] = "选择框坐标同步";
inline constexpr char 按钮坐标截图[] = "按钮坐标截图";
inline constexpr char 按钮_复制[] = "按钮_复制";
inline constexpr char 按钮_清除[] = "按钮_清除";
inline constexpr char 按钮_翻译[] = "按钮_翻译";
inline constexpr char 组合框翻译[] = "组合框翻译";
inline constexpr char 按钮_全角符号[] = "按钮_全角符号";
inline constexpr char 按钮_半角符号[] = "按钮_半角符号";
inline constexpr char 选择框文本合并[] = "选择框文本合并";
inline constexpr char 选择框同步剪切板[] = "选择框同步剪切板";
inline constexpr char 按钮同步[] = "按钮同步";

// Page 2, cards and export.
inline constexpr char 高级表格1[] = "高级表格1";
inline constexpr char 分组框2[] = "分组框2";
inline constexpr char 组合框证件[] = "组合框证件";
inline constexpr char 分组框3[] = "分组框3";
inline constexpr char 分组框6[] = "分组框6";
inline constexpr char 按钮正面截图[] = "按钮正面截图";
inline constexpr char 编辑框坐标正[] = "编辑框坐标正";
inline constexpr char 选择框坐标同步正[] = "选择框坐标同步正";
inline constexpr char 按钮副面截图[] = "按钮副面截图";
inline constexpr char 编辑框坐标副[] = "编辑框坐标副";
inline constexpr char 选择框坐标同步副[] = "选择框坐标同步副";
inline constexpr char 按钮坐标截图证[] = "按钮坐标截图证";
inline constexpr char 组合框导出选项[] = "组合框导出选项";
inline constexpr char 按钮_导出[] = "按钮_导出";
inline constexpr char 按钮_清除表项[] = "按钮_清除表项";

// Page 3, settings: the hotkey rows.
inline constexpr char 标签1[] = "标签1";
inline constexpr char 标签2[] = "标签2";
inline constexpr char 标签3[] = "标签3";
inline constexpr char 标签4[] = "标签4";
inline constexpr char 标签5[] = "标签5";
inline constexpr char 组合框1[] = "组合框1";
inline constexpr char 组合框2[] = "组合框2";
inline constexpr char 组合框3[] = "组合框3";
inline constexpr char 组合框4[] = "组合框4";
inline constexpr char 组合框5[] = "组合框5";
inline constexpr char 编辑框1[] = "编辑框1";
inline constexpr char 编辑框2[] = "编辑框2";
inline constexpr char 编辑框3[] = "编辑框3";
inline constexpr char 编辑框4[] = "编辑框4";
inline constexpr char 编辑框5[] = "编辑框5";
inline constexpr char 标签9[] = "标签9";
inline constexpr char 标签分开[] = "标签分开";
inline constexpr char 按钮保存[] = "按钮保存";

// The results grid's context menu.
inline constexpr char 表格菜单[] = "表格菜单";

}  // namespace ctl
