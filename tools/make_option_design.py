#!/usr/bin/env python3
"""Writes the options dialog's design (src/settings/ui/resources/frmOption.design).

The dialog ("オプション") is 9570 x 5610 twips: six page buttons down the left, six
page frames of 8000 x 5000 twips stacked at (1455, 75), and OK at the bottom right.
Positions are twips, relative to the control's container. A list that sits in the gap
of a sentence row names that row (GapOf) and which run of spaces it fills (Gap, from 1);
the dialog places it there by measuring the caption in its font."""
import pathlib

FW = "\u3000"  # ideographic space


class Node:
    def __init__(self, kind, name, index=None, **props):
        self.kind, self.name, self.index = kind, name, index
        self.props = props
        self.children = []

    def add(self, kind, name, index=None, **props):
        child = Node(kind, name, index, **props)
        self.children.append(child)
        return child

    def lines(self, depth=0):
        pad = "   " * depth
        out = [f"{pad}Begin {self.kind} {self.name}"]
        if self.index is not None:
            out.append(f"{pad}   Index = {self.index}")
        for key, value in self.props.items():
            out.append(f"{pad}   {key} = {fmt(value)}")
        for child in self.children:
            out += child.lines(depth + 1)
        out.append(f"{pad}End")
        return out


def fmt(value):
    if isinstance(value, bool):
        return "True" if value else "False"
    if isinstance(value, str):
        return '"' + value.replace('"', '""') + '"'
    return str(value)


def geo(left, top, width, height):
    return dict(Left=left, Top=top, Width=width, Height=height)


def swatch(parent, name, index, left, top, colour):
    return parent.add("CommandButton", name, index, Style=1, BackColor=colour, **geo(left, top, 480, 315))


def sound_row(parent, label, label_index, sound_index, top, label_left=120, label_width=2400, text_left=None):
    if label is not None:
        parent.add("Label", "Label1", label_index, Caption=label, **geo(label_left, top + 45, label_width, 255))
    text_left = text_left if text_left is not None else label_left + label_width
    parent.add("TextBox", "txtSelectSound", sound_index, **geo(text_left, top, 7200 - text_left, 330))
    parent.add("CommandButton", "cmdSelectSound", sound_index, Caption="...", **geo(7230, top, 420, 330))


def page0(frame):
    for i, (caption, open_caption, top) in enumerate([
            ("運賃データ(*.hy3)のあるフォルダー：", "上記運賃データの場所をエクスプローラで開く", 420),
            ("放送用データ(*****Tp.csv)のあるフォルダー：", "上記放送用データの場所をエクスプローラで開く", 2040)]):
        frame.add("Label", "Label3", i, Caption=caption, **geo(240, top, 7500, 255))
        frame.add("TextBox", "Text2", i, **geo(240, top + 315, 7020, 330))
        frame.add("CommandButton", "Command3", i, Caption="...", **geo(7290, top + 315, 450, 330))
        frame.add("CommandButton", "Command10", i, Caption=open_caption, **geo(240, top + 765, 4500, 375))


def page1(frame):
    frame.add("CheckBox", "Check1", Caption="整理券番号自動表示機能を使用", **geo(240, 270, 4200, 300))
    panel = frame.add("Frame", "Frame4", Caption="本体パネル", **geo(120, 660, 4740, 2940))
    panel.add("OptionButton", "Option3", 0, Caption="内蔵しているパネルを自動で割り当てる", **geo(120, 270, 4500, 285))
    panel.add("OptionButton", "Option3", 1, Caption="個別に設定する", **geo(120, 555, 4500, 285))
    pictures = [("バックライトOFF時の画像：", 7, 6), ("ON1の画像：", 3, 2), ("ON2の画像：", 4, 5)]
    for i, (caption, builtin, user) in enumerate(pictures):
        f = panel.add("Frame", "Frame6", i, Caption=caption, Enabled=False, Visible=False,
                      **geo(120, 870 + i * 675, 4500, 660))
        f.add("OptionButton", "Option3", builtin, Caption="内蔵", **geo(120, 270, 750, 285))
        f.add("OptionButton", "Option3", user, Caption="ユーザーパネル", **geo(870, 270, 1560, 285))
        f.add("TextBox", "txtSelectPanel", i, **geo(2430, 240, 1560, 330))
        f.add("CommandButton", "Command6", i, Caption="...", **geo(4020, 240, 390, 330))
    frame.add("Label", "Label4", 5, Caption="整理券番号表示設定", **geo(5040, 525, 2800, 255))
    numbers = frame.add("Frame", "Frame3", Enabled=False, **geo(4980, 780, 2940, 2820))
    numbers.add("ComboBox", "Combo2", Style=2, **geo(120, 150, 2700, 330))
    numbers.add("CheckBox", "Check2", Caption="数字が1桁の番号は頭に0を付け足す", **geo(120, 540, 2700, 510))
    numbers.add("Label", "Label4", 1, Caption="整理券番号のバックライトカラー(文字色)", WordWrap=True,
                **geo(120, 1110, 2700, 480))
    for i, (caption, top) in enumerate([("OFF：", 1650), ("ON1：", 2025), ("ON2：", 2400)]):
        numbers.add("Label", "Label4", 2 + i, Caption=caption, Alignment=1, **geo(240, top + 30, 720, 255))
        swatch(numbers, "Command5", i, 1020, top, 0xFFFFFF)
    frame.add("Label", "Label15", WordWrap=True,
              Caption="※ユーザーパネルに直接番号をデザインしている場合には上記チェックをOFFにしてください。",
              **geo(120, 3660, 7800, 300))
    frame.add("Label", "Label5", 1, WordWrap=True,
              Caption="※ユーザーパネルには、現在の機種に対応の画像をご使用ください。大きいパネルの場合、はみ出た部分"
                      "（右・下）が切り取られます。逆に小さいパネルの場合は左上から表示され、余白部分はグレーになります"
                      "のでご注意ください。",
              **geo(120, 3990, 7800, 930))


def page2(frame):
    colours = frame.add("Frame", "Frame5", 0,
                        Caption="デジタル部品の背景色と文字色（時計つきの場合はこの部分も同色となります）",
                        **geo(120, 240, 7800, 1440))
    for i, (caption, top) in enumerate([("背景色：", 300), ("未発光時の文字色：", 690), ("発光時の文字色：", 1050)]):
        colours.add("Label", "Label6", i, Caption=caption, Alignment=1, **geo(240, top + 30, 1980, 255))
        swatch(colours, "Command8", i, 2280, top, 0)
    colours.add("Label", "Label6", 3, Caption="プレビュー", **geo(3600, 300, 1500, 255))
    colours.add("M_Degit", "M_Degit1", **geo(3600, 600, 1560, 600))
    info = frame.add("Frame", "Frame5", 1, Caption="情報用数字の設定", **geo(120, 1800, 7800, 3120))
    rows = [
        (0, "停留所の順番（区間・個数）を、" + FW * 6 + "  コマ目に表示する。", [0], 300),
        (1, "整理券番号を、  " + FW * 6 + "コマ目に表示する。", [1], 1080),
        (2, "系統番号を、  " + FW * 6 + "コマ目に表示する。", [2], 1470),
        (3, "データの" + FW * 3 + "  " + FW * 5 + "列目の値を、  " + FW * 6 + "コマ目に表示する。", [4, 3], 1860),
    ]
    for check, caption, combos, top in rows:
        info.add("CheckBox", "Check3", check, Caption=caption, **geo(240, top, 7440, 330))
        for gap, combo in enumerate(combos, start=1):
            info.add("ComboBox", "Combo4", combo, Style=2, Enabled=False, GapOf=f"Check3({check})", Gap=gap,
                     **geo(0, top, 900, 330))
        if check == 0:
            info.add("CheckBox", "Check3", 4, Caption="0から数える", Enabled=False, **geo(600, 690, 2400, 300))
    info.add("Label", "Label7", WordWrap=True,
             Caption="デジタル数字の桁ずらし、ゼロ埋めの設定は各部品をダブルクリックして設定してください。また、"
                     "これら情報用数字は運賃の表示よりも優先されます。",
             **geo(240, 2340, 7440, 600))


def page3(frame):
    for i, (caption, top) in enumerate([("背景色：", 360), ("文字色：", 780)]):
        frame.add("Label", "Label8", i, Caption=caption, Alignment=1, **geo(240, top + 30, 1500, 255))
        swatch(frame, "Command9", i, 1800, top, 0)
    frame.add("Label", "Label9", Caption="フォントオプション：", **geo(240, 1275, 1980, 255))
    frame.add("ComboBox", "Combo3", Style=2, **geo(2220, 1230, 4200, 330))
    frame.add("CheckBox", "Check4", Caption="太字（表示の不具合はサポート対象外）", **geo(240, 1740, 6000, 330))


def page4(frame):
    sound_row(frame, "系統設定時のサウンド：", 0, 0, 270, label_left=240, label_width=2280)
    sound_row(frame, "リセット時のサウンド：", 1, 1, 660, label_left=240, label_width=2280)
    frame.add("OptionButton", "Option5", 0, Caption="放送前のサウンド...", **geo(240, 1080, 2520, 300))
    frame.add("OptionButton", "Option5", 1, Caption="送り・戻し時のサウンド...", **geo(2880, 1080, 3000, 300))
    # The two sub-pages lie on top of each other; the one of the selected option is in front.
    before = frame.add("Frame", "Frame2", 0,
                       Caption="放送前のサウンド：※音声合成放送機能が有効でない場合は以下の設定は意味を持ちません。",
                       **geo(60, 1440, 7860, 3510))
    step = frame.add("Frame", "Frame2", 1, Caption="送り・戻し時のサウンド", **geo(60, 1440, 7860, 3510))

    step.add("OptionButton", "Option2", 0, Caption="常に右記のサウンドを鳴らす", **geo(120, 255, 2880, 300))
    sound_row(step, None, None, 7, 240, text_left=3000)
    step.add("OptionButton", "Option2", 1,
             Caption="運賃データ(*.hy3)の特定の列のデータから判断して、以下の指定したサウンドを鳴らす（指定した列のデータの"
                     "内容が1～3以外の場合はサウンドは鳴りません）",
             **geo(120, 600, 7560, 480))
    step.add("Label", "Label1", 2,
             Caption="運賃データの                        " + FW * 9 + "列目                     のデータが、",
             **geo(480, 1140, 7080, 255))
    step.add("ComboBox", "Combo1", Style=2, GapOf="Label1(2)", Gap=1, **geo(0, 1095, 900, 330))
    for k in range(3):
        sound_row(step, f"「{k + 1}」の場合", 3 + k, 8 + k, 1500 + k * 390, label_left=720, label_width=1500)
    play = step.add("Frame", "Frame8", Caption="再生方法", **geo(120, 2700, 7620, 750))
    play.add("OptionButton", "Option6", 0, Caption="同期再生(サウンドが完全に再生された後で運賃切り替え)",
             **geo(120, 210, 7380, 255))
    play.add("OptionButton", "Option6", 1, Caption="非同期再生(サウンドを再生しながら運賃切り替え)",
             **geo(120, 465, 7380, 255))

    before.add("OptionButton", "Option2", 2, Caption="常に右記のサウンドを鳴らす", **geo(120, 255, 2880, 300))
    sound_row(before, None, None, 3, 240, text_left=3000)
    before.add("OptionButton", "Option2", 3,
               Caption="放送データ(*.Tp.csv)内のフラグから判断して、以下の指定したサウンドを鳴らす（フラグの内容が1～3以外"
                       "の場合はサウンドは鳴りません）",
               **geo(120, 600, 7560, 480))
    for k in range(3):
        sound_row(before, f"「{k + 1}」の場合", 9 + k, 4 + k, 1110 + k * 390, label_left=720, label_width=1500)
    play = before.add("Frame", "Frame9", Caption="再生方法", **geo(120, 2280, 7620, 750))
    play.add("OptionButton", "Option7", 0, Caption="同期再生(サウンドが完全に再生された後で放送開始)",
             **geo(120, 210, 7380, 255))
    play.add("OptionButton", "Option7", 1, Caption="非同期再生(サウンドを再生しながら放送開始)",
             **geo(120, 465, 7380, 255))
    before.add("Label", "Label1", 7, WordWrap=True,
               Caption="「放送前のサウンド」再生時は、停名のスクロールが停止することがありますので、あらかじめご了承"
                       "ください。",
               **geo(120, 3060, 7620, 420))


def page5(frame):
    frame.add("CheckBox", "chkUseSeiriPrev", Caption="整理券プレビュー機能を使用する", **geo(240, 240, 5000, 300))
    plugin = frame.add("Frame", "Frame10", Caption="整理券プラグイン設定", Enabled=False, Visible=False,
                       **geo(120, 600, 7800, 2610))
    plugin.add("Label", "Label2", Caption="整理券プラグイン（整理券プレビューを使用しない場合は、何も入れないでください）：",
               **geo(120, 270, 7560, 255))
    plugin.add("TextBox", "txtSeiriPlgDir", **geo(120, 540, 6660, 330))
    plugin.add("CommandButton", "Command1", Caption="...", **geo(6810, 540, 420, 330))
    plugin.add("CommandButton", "Command11", Caption="r", FontName="Marlett", **geo(7260, 540, 420, 330))
    plugin.add("Label", "Label11", Caption="上記プラグインのプロパティ：", **geo(120, 960, 3720, 255))
    plugin.add("ListBox", "List1", **geo(120, 1230, 3720, 1260))
    plugin.add("Label", "Label13", Caption="上記プラグインの特記事項：", **geo(3960, 960, 3720, 255))
    plugin.add("TextBox", "txtPlginComment", MultiLine=True, Locked=True, BackColor=0xC0C0C0,
               **geo(3960, 1230, 3720, 1260))
    date = frame.add("Frame", "Frame7",
                     Caption="日付の設定（整理券プラグインが日付の印字をサポートしているときに有効）",
                     Enabled=False, Visible=False, **geo(120, 3270, 7800, 1680))
    date.add("OptionButton", "Option4", 0, Caption="システムの日付を使用（整理券印字と同時に日付を更新、デフォルト）",
             **geo(120, 240, 7500, 285))
    date.add("OptionButton", "Option4", 1, Caption="システムの日付を使用（系統設定した時点の日付を保持）",
             **geo(120, 525, 7500, 285))
    date.add("OptionButton", "Option4", 2, Caption="右記の日付に固定", **geo(120, 870, 2160, 285))
    date.add("Label", "Label10", Caption="", BorderStyle=1, Alignment=2, **geo(2340, 855, 1440, 315))
    date.add("CommandButton", "Command7", Caption="日付選択...", **geo(3900, 840, 1380, 345))
    date.add("Label", "Label14", WordWrap=True,
             Caption="系統設定した際の日付が保持され、日付が途中で変わっても次回系統設定するまで整理券の日付変更を行いません。",
             **geo(120, 1200, 7560, 420))


PAGES = [
    ("運賃データと" + FW + "放送用データ", "運賃データと放送用データ", page0),
    ("パネルと整理券番号表示", "パネルと整理券番号表示", page1),
    ("デジタル部品と情報用数字", "デジタル部品と情報用数字", page2),
    ("停名の設定", "停名の設定", page3),
    ("サウンド", "サウンド（鳴らさなくてもいい項目にはファイル名を入れないで下さい）", page4),
    (FW * 2 + "整理券" + FW * 3 + "プレビュー", "整理券プレビュー", page5),
]


def main():
    form = Node("Form", "frmOption", Caption="オプション", ClientWidth=9570, ClientHeight=5610,
                FontName="ＭＳ Ｐゴシック", FontSize=9)
    for i, (button, _, _) in enumerate(PAGES):
        form.add("OptionButton", "Option1", i, Caption=button, Style=1, **geo(75, 75 + i * 780, 1305, 720))
    for i, (_, caption, fill) in enumerate(PAGES):
        fill(form.add("Frame", "Frame1", i, Caption=caption, **geo(1455, 75, 8000, 5000)))
    form.add("CommandButton", "Command4", Caption="OK", **geo(8130, 5160, 1320, 375))
    text = "' The options dialog. Written by tools/make_option_design.py; edit that, not this.\n"
    text += "\n".join(form.lines()) + "\n"
    path = pathlib.Path(__file__).resolve().parent.parent / "src/settings/ui/resources/frmOption.design"
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_text(text, encoding="utf-8")


if __name__ == "__main__":
    main()
