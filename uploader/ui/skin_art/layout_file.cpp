// "UI.ini": one section per element of the skinned dialogs. Keys: "size" (width height),
// "pos" (x y), "color" (red green blue) and "text".

#include "catalog.h"

namespace skin_art {
namespace {

// Controls placed from the file.
struct Control {
    const char* section;
    const char* size;
    const char* pos;
};

// Texts drawn from the file.
struct Label {
    const char* section;
    const char* text;
    const char* pos;
    const char* color;
};

constexpr const char* kLink = "12 124 241";
constexpr const char* kDark = "51 51 51";
constexpr const char* kGrey = "131 131 131";
constexpr const char* kRed = "204 0 0";

const Control kControls[] = {
    // Login dialog.
    {"loginDlg", "300 230", nullptr},
    {"AccountEdit", "170 24", "94 56"},
    {"PwdEdit", "170 24", "94 92"},
    {"LoginButton", "76 27", "61 171"},
    {"RemCheckbox", "14 14", "94 131"},
    // Its captcha row, shown when the service asks for one; what lies below moves down.
    {"CaptchaEdit", "80 24", "94 124"},
    {"CaptchaImage", "96 32", "180 120"},
    // Share-link dialog.
    {"OuterLinkDlg", "290 224", nullptr},
    {"outerlinkbtnok", "76 27", "107 165"},
    {"outerlinktxt", "190 22", "16 70"},
    {"outerlinkcheck", "110 16", "16 103"},
    {"outerlinkcpy", "60 24", "214 69"},
    // Sina Weibo dialog.
    {"SinaBlogsDlg", "300 228", nullptr},
    {"SinaBlogsDlgBinding", "150 30", "75 168"},
    {"SinaBlogsDlgSend", "76 27", "208 160"},
    {"SinaBlogsDlgClose", "76 27", "112 160"},
    {"SinaBlogsDlgBlogText", "268 60", "16 48"},
    {"SinaBlogsCheckRepost", "14 14", "16 142"},
    {"SinaBlogsCheckFans", "14 14", "16 162"},
};

const Label kLabels[] = {
    // Login dialog.
    {"AccountText", "帐　号：", "36 60", kDark},
    {"PwdText", "密　码：", "36 96", kDark},
    {"RemText", "记住密码", "112 130", kDark},
    {"CaptchaText", "验证码：", "36 128", kDark},
    {"visitText", "访问Norvel网盘", "176 130", kLink},
    {"registerText", "联系客服", "222 210", kLink},
    {"pwderror", "帐号或密码错误，请重新输入", "94 150", kRed},
    {"neterror", "网络连接失败，请稍后重试", "94 150", kRed},
    // Share-link dialog.
    {"outerlink1", "正在上传文件，请稍候...", "100 18", "40 51 73"},
    {"outerlink2", "访问Norvel网盘", "16 202", kLink},
    {"outerlink3", "联系客服", "226 202", kLink},
    {"outerlink4", "外链地址：", "16 52", kLink},
    {"outerlink5", "复制外链发给好友，即可下载文件", "16 130", kGrey},
    {"outerlink6", "已上传文件", "16 75", kGrey},
    {"outerlink7", "已复制", "214 104", "48 129 9"},
    // Sina Weibo dialog.
    {"SinaBlogsDlgText1", "绑定新浪微博后，即可把文件分享到微博", "42 148", kDark},
    {"SinaBlogsDlgText2", "新浪微博", "32 9", kDark},
    {"SinaBlogsDlgText3", "已绑定", "240 9", kGrey},
    {"SinaBlogsDlgText4", "分享到新浪微博：", "16 30", kDark},
    {"SinaBlogsDlgText5", "微博发布成功！", "110 80", "48 129 9"},
    {"SinaBlogsDlgText6", "去微博看看>>", "116 110", kLink},
    {"SinaBlogsDlgText7", "文件上传中，请稍候...", "16 114", kGrey},
    {"SinaBlogsDlgText8", "文件已上传，可以发布了", "16 114", "48 129 9"},
    {"SinaBlogsDlgText9", "同时转发到我的微博", "34 142", kDark},
    {"SinaBlogsDlgText10", "通知我的粉丝", "34 162", kDark},
    {"SinaBlogsDlgText11", "微博发布失败，请重试", "16 166", kRed},
};

}  // namespace

void AddLayoutFile(Catalog& catalog) {
    QByteArray text =
        "; Layout and texts of the skinned dialogs, one section per element.\n"
        "; size = width height, pos = x y, color = red green blue.\n";
    for (const Control& control : kControls) {
        text += QByteArray("\n[") + control.section + "]\nsize=" + control.size + "\n";
        if (control.pos)
            text += QByteArray("pos=") + control.pos + "\n";
    }
    for (const Label& label : kLabels) {
        text += QByteArray("\n[") + label.section + "]\ntext=" + label.text + "\npos=" + label.pos +
                "\ncolor=" + label.color + "\n";
    }
    catalog.texts.push_back({"UI.ini", text});
}

}  // namespace skin_art
