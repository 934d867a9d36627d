<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>AboutDialog</name>
    <message>
        <source>バージョン情報</source>
        <translation>About</translation>
    </message>
</context>
<context>
    <name>AboutText</name>
    <message>
        <source>型番：</source>
        <translation>Model: </translation>
    </message>
    <message>
        <source>バージョン：</source>
        <translation>Version: </translation>
    </message>
    <message>
        <source>配布元：Corvane プロジェクト</source>
        <translation>Published by: the Corvane project</translation>
    </message>
    <message>
        <source>開  発：Corvane 開発チーム </source>
        <translation>Developed by: the Corvane developers </translation>
    </message>
    <message>
        <source>Corvane は MIT ライセンスのフリーソフトウェアです。
路線 9000 (道南バス 東室蘭駅東口〜地球岬団地) のデータ: むろらんオープンデータライブラリ (CC BY 2.1 JP)、© OpenStreetMap contributors (CC BY-SA 3.0)、GTFS-JP 化 aruneko/DonanbusGTFS。この路線のファイルは CC BY-SA 3.0 です。</source>
        <translation>Corvane is free software under the MIT licence.
The data of route 9000 (Donan Bus, Higashi-Muroran Station east exit to Chikyumisaki Danchi): Muroran Open Data Library (CC BY 2.1 JP), © OpenStreetMap contributors (CC BY-SA 3.0), made GTFS-JP by aruneko/DonanbusGTFS. This route&apos;s files are CC BY-SA 3.0.</translation>
    </message>
</context>
<context>
    <name>Choosers</name>
    <message>
        <source>日付の選択</source>
        <translation>Choose a date</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>DataIo</name>
    <message>
        <source>指定した系統のデータがありません...</source>
        <translation>There is no data for this route...</translation>
    </message>
    <message>
        <source>指定した系統はデータの数が0(未登録)の可能性があります...</source>
        <translation>This route may have no stops (0 records, not registered)...</translation>
    </message>
    <message>
        <source>指定した区間はデータの数よりも多いです...</source>
        <translation>The section is beyond the number of stops...</translation>
    </message>
    <message>
        <source>  解決法：正しい区間を入力して下さい.</source>
        <translation>  Fix: enter a section that exists.</translation>
    </message>
    <message>
        <source>指定した系統のデータが多すぎます(最大301件)...</source>
        <translation>This route has too many stops (301 at most)...</translation>
    </message>
    <message>
        <source>指定した系統のデータが足りません(%1件目の停留所で終わっています)...</source>
        <translation>This route&apos;s data is incomplete (it ends at stop %1)...</translation>
    </message>
</context>
<context>
    <name>DigitFormatDialog</name>
    <message>
        <source>0: 0と空白は表示しない</source>
        <translation>0: 0 and blank show nothing</translation>
    </message>
    <message>
        <source>1: 0と空白は「0」</source>
        <translation>1: 0 and blank show &quot;0&quot;</translation>
    </message>
    <message>
        <source>2: -1は「0」、0は表示しない</source>
        <translation>2: -1 shows &quot;0&quot;, 0 shows nothing</translation>
    </message>
    <message>
        <source>3: -1・0・空白は「0」</source>
        <translation>3: -1, 0 and blank show &quot;0&quot;</translation>
    </message>
    <message>
        <source>表示形式の設定</source>
        <translation>Display format</translation>
    </message>
    <message>
        <source>ゼロ表示モード(&amp;Z):</source>
        <translation>&amp;Zero mode:</translation>
    </message>
    <message>
        <source>右詰め空白桁数(&amp;S):</source>
        <translation>Blank places at the right (&amp;shift):</translation>
    </message>
    <message>
        <source>ゼロ埋め桁数(&amp;F):</source>
        <translation>Zero-&amp;fill to places:</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>DigitWheel</name>
    <message>
        <source>上半分のクリックで上の数字、下半分のクリックで下の数字に回ります</source>
        <translation>Click the upper half for the digit above, the lower half for the digit below</translation>
    </message>
</context>
<context>
    <name>Fonts</name>
    <message>
        <source>7セグメント表示用のフォント(DSEG)が見つかりません。
fonts-dseg をインストールしてください。
場所: %1</source>
        <translation>The seven-segment font (DSEG) was not found.
Please install fonts-dseg.
Looked in: %1</translation>
    </message>
</context>
<context>
    <name>Form1</name>
    <message>
        <source>表示の大きさ</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>等倍</source>
        <translation>1×</translation>
    </message>
    <message>
        <source>2倍</source>
        <translation>2×</translation>
    </message>
    <message>
        <source>3倍</source>
        <translation>3×</translation>
    </message>
    <message>
        <source>4倍</source>
        <translation>4×</translation>
    </message>
    <message>
        <source>画面に合わせる</source>
        <translation>Fit the screen</translation>
    </message>
    <message>
        <source>全画面表示</source>
        <translation>Full screen</translation>
    </message>
    <message>
        <source>表示するモニター</source>
        <translation>Monitor</translation>
    </message>
    <message>
        <source>モニター%1（%2）</source>
        <translation>Monitor %1 (%2)</translation>
    </message>
    <message>
        <source>停名のドット</source>
        <translation>Stop-name dots</translation>
    </message>
    <message>
        <source>四角</source>
        <translation>Square</translation>
    </message>
    <message>
        <source>丸</source>
        <translation>Round</translation>
    </message>
    <message>
        <source>消灯しているドットをうっすら光らせる</source>
        <translation>Let the unlit dots glow faintly</translation>
    </message>
    <message>
        <source>表示の設定を保存できませんでした。</source>
        <translation>The display settings could not be saved.</translation>
    </message>
    <message>
        <source>エラー</source>
        <translation>Error</translation>
    </message>
</context>
<context>
    <name>LiveSettings</name>
    <message>
        <source>%1 はShift_JISで表せない文字のため、設定ファイルに保存できません。この文字を含まない名前を指定してください。</source>
        <translation>%1 cannot be written in Shift_JIS, so the settings file cannot hold it. Please choose a name without it.</translation>
    </message>
</context>
<context>
    <name>MessageBox</name>
    <message>
        <source>はい(&amp;Y)</source>
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>いいえ(&amp;N)</source>
        <translation>&amp;No</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>OptionControls</name>
    <message>
        <source>1,2,3...</source>
        <translation>1,2,3...</translation>
    </message>
    <message>
        <source>0,1,2...</source>
        <translation>0,1,2...</translation>
    </message>
    <message>
        <source>「なし」、1,2...</source>
        <translation>&quot;なし&quot; (none), 1,2...</translation>
    </message>
    <message>
        <source>「なし」、2,3...</source>
        <translation>&quot;なし&quot; (none), 2,3...</translation>
    </message>
    <message>
        <source>「無券」、1,2...</source>
        <translation>&quot;無券&quot; (no ticket), 1,2...</translation>
    </message>
    <message>
        <source>「無券」、2,3...</source>
        <translation>&quot;無券&quot; (no ticket), 2,3...</translation>
    </message>
    <message>
        <source>「券なし」、1,2...</source>
        <translation>&quot;券なし&quot; (no ticket), 1,2...</translation>
    </message>
    <message>
        <source>「券なし」、2,3...</source>
        <translation>&quot;券なし&quot; (no ticket), 2,3...</translation>
    </message>
    <message>
        <source>「券無し」、1,2...</source>
        <translation>&quot;券無し&quot; (no ticket), 1,2...</translation>
    </message>
    <message>
        <source>「券無し」、2,3...</source>
        <translation>&quot;券無し&quot; (no ticket), 2,3...</translation>
    </message>
    <message>
        <source>(無地)、1,2...</source>
        <translation>(blank), 1,2...</translation>
    </message>
    <message>
        <source>(無地)、2,3...</source>
        <translation>(blank), 2,3...</translation>
    </message>
    <message>
        <source> （既定の表示）</source>
        <translation> (default)</translation>
    </message>
    <message>
        <source>ゴシック体</source>
        <translation>Gothic</translation>
    </message>
    <message>
        <source>明朝体</source>
        <translation>Mincho</translation>
    </message>
    <message>
        <source>漢字はゴシック、それ以外は明朝</source>
        <translation>Kanji in Gothic, the rest in Mincho</translation>
    </message>
    <message>
        <source>漢字は明朝、それ以外はゴシック</source>
        <translation>Kanji in Mincho, the rest in Gothic</translation>
    </message>
    <message>
        <source>英数字はゴシック、それ以外は明朝</source>
        <translation>Letters and digits in Gothic, the rest in Mincho</translation>
    </message>
    <message>
        <source>運賃データのフォルダー</source>
        <translation>fare data folder</translation>
    </message>
    <message>
        <source>放送用データのフォルダー</source>
        <translation>announcement data folder</translation>
    </message>
    <message>
        <source>バックライトOFF時の画像</source>
        <translation>picture for backlight OFF</translation>
    </message>
    <message>
        <source>ON1の画像</source>
        <translation>picture for ON1</translation>
    </message>
    <message>
        <source>ON2の画像</source>
        <translation>picture for ON2</translation>
    </message>
    <message>
        <source>系統設定時のサウンド</source>
        <translation>route-set sound</translation>
    </message>
    <message>
        <source>リセット時のサウンド</source>
        <translation>reset sound</translation>
    </message>
    <message>
        <source>送り・戻し時のサウンド</source>
        <translation>When stepping</translation>
    </message>
    <message>
        <source>送り・戻し時のサウンド（「%1」の場合）</source>
        <translation>step sound (for &quot;%1&quot;)</translation>
    </message>
    <message>
        <source>放送前のサウンド</source>
        <translation>pre-announcement sound</translation>
    </message>
    <message>
        <source>放送前のサウンド（「%1」の場合）</source>
        <translation>pre-announcement sound (for &quot;%1&quot;)</translation>
    </message>
    <message>
        <source>整理券プラグイン</source>
        <translation>ticket plug-in</translation>
    </message>
    <message>
        <source>整理券の日付</source>
        <translation>ticket date</translation>
    </message>
    <message>
        <source>「%1」の名前に制御文字（%2）が含まれているため、設定ファイルに保存できません。制御文字を含まない名前を指定してください。</source>
        <translation>The name of the %1 holds a control character (%2), so the settings file cannot hold it. Please choose a name without control characters.</translation>
    </message>
    <message>
        <source>「%1」の名前が長すぎるため、設定ファイルに保存できません。名前はShift_JISで%2バイトまでです（指定した名前は%3バイト）。</source>
        <translation>The name of the %1 is too long for the settings file: it may have %2 bytes in Shift_JIS (this one has %3).</translation>
    </message>
</context>
<context>
    <name>PanelLook</name>
    <message>
        <source>エラーです。

エラーコード：%1</source>
        <translation>An error occurred.

Error code: %1</translation>
    </message>
    <message>
        <source>&#x3000;内部的なエラーです。Marrowbyへ報告してください。エラー場所：frmCtl.Option4_Click()</source>
        <translation> An internal error. Please report it to the developers. Where: frmCtl.Option4_Click()</translation>
    </message>
    <message>
        <source>&#x3000;画像ファイルが見つからないか、指定している場所が不正です。</source>
        <translation> The picture file was not found, or its location is not valid.</translation>
    </message>
    <message>
        <source>&#x3000;デバイスエラーもしくは準備が出来ていません。</source>
        <translation> A device error, or the device is not ready.</translation>
    </message>
    <message>
        <source>&#x3000;指定した画像の内容が不正です。この部分では扱えません。</source>
        <translation> The picture&apos;s contents are not valid; it cannot be used here.</translation>
    </message>
</context>
<context>
    <name>PanelSwitch</name>
    <message>
        <source>エラー</source>
        <translation>Error</translation>
    </message>
</context>
<context>
    <name>PluginInfo</name>
    <message>
        <source>---&gt; 可能</source>
        <translation>---&gt; yes</translation>
    </message>
    <message>
        <source>---&gt; 不可</source>
        <translation>---&gt; no</translation>
    </message>
    <message>
        <source>日付の印字 </source>
        <translation>Prints the date </translation>
    </message>
    <message>
        <source>時刻の印字 </source>
        <translation>Prints the time </translation>
    </message>
    <message>
        <source>系統番号の印字 </source>
        <translation>Prints the route number </translation>
    </message>
    <message>
        <source>停名の印字 </source>
        <translation>Prints the stop name </translation>
    </message>
    <message>
        <source>バーコード印字 </source>
        <translation>Prints a barcode </translation>
    </message>
    <message>
        <source>バーコード本数 ---&gt; </source>
        <translation>Barcodes ---&gt; </translation>
    </message>
    <message>
        <source>バーコード系統方式 </source>
        <translation>Barcode route scheme </translation>
    </message>
    <message>
        <source>---&gt; 連番式</source>
        <translation>---&gt; serial numbers</translation>
    </message>
    <message>
        <source>---&gt; 系統番号＋往復フラグ</source>
        <translation>---&gt; route number + direction flag</translation>
    </message>
    <message>
        <source>設定可能な系統範囲 ---&gt; 1 ～ </source>
        <translation>Routes it can print ---&gt; 1 to </translation>
    </message>
    <message>
        <source>停留所認識範囲 ---&gt; </source>
        <translation>Stops it knows ---&gt; </translation>
    </message>
    <message>
        <source> ～ </source>
        <translation> to </translation>
    </message>
    <message>
        <source>社名切り替え:</source>
        <translation>Company names:</translation>
    </message>
</context>
<context>
    <name>RegularFile</name>
    <message>
        <source>指定されたパスが見つかりません。</source>
        <translation>The path was not found.</translation>
    </message>
    <message>
        <source>指定されたパスはフォルダーです。ファイルとして開くことはできません。</source>
        <translation>The path is a folder; it cannot be opened as a file.</translation>
    </message>
    <message>
        <source>アクセスが拒否されました。</source>
        <translation>Access was denied.</translation>
    </message>
    <message>
        <source>デバイス I/O エラーです。</source>
        <translation>A device I/O error occurred.</translation>
    </message>
    <message>
        <source>ファイル名が長すぎます。</source>
        <translation>The file name is too long.</translation>
    </message>
    <message>
        <source>シンボリック リンクの参照が多すぎます。</source>
        <translation>Too many levels of symbolic links.</translation>
    </message>
    <message>
        <source>開いているファイルが多すぎます。</source>
        <translation>Too many files are open.</translation>
    </message>
    <message>
        <source>デバイスの準備ができていません。</source>
        <translation>The device is not ready.</translation>
    </message>
    <message>
        <source>メモリが不足しています。</source>
        <translation>Out of memory.</translation>
    </message>
    <message>
        <source>ファイルを開けませんでした（エラー番号 %1）。</source>
        <translation>The file could not be opened (error %1).</translation>
    </message>
</context>
<context>
    <name>RemoteControl</name>
    <message>
        <source>リモート操作の待ち受けを開始できません。
%1</source>
        <translation>Remote control cannot start listening.
%1</translation>
    </message>
</context>
<context>
    <name>SettingsError</name>
    <message>
        <source>オーバーフローしました。</source>
        <translation>Overflow.</translation>
    </message>
    <message>
        <source>ファイル名または番号が不正です。</source>
        <translation>Bad file name or number.</translation>
    </message>
    <message>
        <source>ファイルが見つかりません。</source>
        <translation>File not found.</translation>
    </message>
    <message>
        <source>デバイス I/O エラーです。</source>
        <translation>A device I/O error occurred.</translation>
    </message>
    <message>
        <source>ファイルにこれ以上データがありません。</source>
        <translation>Input past end of file.</translation>
    </message>
    <message>
        <source>書き込みできません。</source>
        <translation>Permission denied.</translation>
    </message>
    <message>
        <source>パス名が無効です。</source>
        <translation>Path/file access error.</translation>
    </message>
    <message>
        <source>パスが見つかりません。</source>
        <translation>Path not found.</translation>
    </message>
    <message>
        <source>プロパティの値が不正です。</source>
        <translation>Invalid property value.</translation>
    </message>
</context>
<context>
    <name>SignSet</name>
    <message>
        <source>行先表示器</source>
        <translation>Destination signs</translation>
    </message>
    <message>
        <source>前面</source>
        <translation>Front</translation>
    </message>
    <message>
        <source>側面</source>
        <translation>Side</translation>
    </message>
    <message>
        <source>後面</source>
        <translation>Rear</translation>
    </message>
    <message>
        <source>アンバー</source>
        <translation>Amber</translation>
    </message>
    <message>
        <source>白</source>
        <translation>White</translation>
    </message>
    <message>
        <source>緑</source>
        <translation>Green</translation>
    </message>
    <message>
        <source>フルカラー</source>
        <translation>Full colour</translation>
    </message>
    <message>
        <source>表示の設定を保存できませんでした。</source>
        <translation>The display settings could not be saved.</translation>
    </message>
    <message>
        <source>エラー</source>
        <translation>Error</translation>
    </message>
</context>
<context>
    <name>SignWindow</name>
    <message>
        <source>前面行先表示器</source>
        <translation>Front destination sign</translation>
    </message>
    <message>
        <source>側面行先表示器</source>
        <translation>Side destination sign</translation>
    </message>
    <message>
        <source>後面行先表示器</source>
        <translation>Rear destination sign</translation>
    </message>
</context>
<context>
    <name>VoiceDialog</name>
    <message>
        <source>音声の調節</source>
        <translation>Voice settings</translation>
    </message>
    <message>
        <source> 倍</source>
        <translation> ×</translation>
    </message>
    <message>
        <source> 半音</source>
        <translation> semitones</translation>
    </message>
    <message>
        <source>話す速さ(&amp;S)：</source>
        <translation>&amp;Speed:</translation>
    </message>
    <message>
        <source>声の高さ(&amp;P)：</source>
        <translation>&amp;Pitch:</translation>
    </message>
    <message>
        <source>音量(&amp;V)：</source>
        <translation>&amp;Volume:</translation>
    </message>
    <message>
        <source>声質(&amp;T)：</source>
        <translation>&amp;Tone:</translation>
    </message>
    <message>
        <source>試聴</source>
        <translation>Listen</translation>
    </message>
    <message>
        <source>標準に戻す</source>
        <translation>Defaults</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>frmCtl</name>
    <message>
        <source>集中操作盤</source>
        <translation>Control unit</translation>
    </message>
    <message>
        <source>系統設定</source>
        <translation>Route setting</translation>
    </message>
    <message>
        <source>系&#x3000;統</source>
        <translation>Route</translation>
    </message>
    <message>
        <source>区間</source>
        <translation>Sec</translation>
    </message>
    <message>
        <source>リセット</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>系統</source>
        <translation>Rte</translation>
    </message>
    <message>
        <source>表示消去</source>
        <translation>Blank</translation>
    </message>
    <message>
        <source>データ戻し</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>データ送り</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>音合使用不可</source>
        <translation>No speech</translation>
    </message>
    <message>
        <source>戻し</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>送り</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>調整</source>
        <translation>Adjust</translation>
    </message>
    <message>
        <source>バックライト</source>
        <translation>Backlight</translation>
    </message>
    <message>
        <source>ｽｸﾛｰﾙ速度</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>ｽｸﾛｰﾙ間隔</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>深夜料金</source>
        <translation>Late night</translation>
    </message>
    <message>
        <source>設定...</source>
        <translation>Options...</translation>
    </message>
    <message>
        <source>ﾊﾞｰｼﾞｮﾝ</source>
        <translation>About</translation>
    </message>
    <message>
        <source>整理券プレビューを開きます</source>
        <translation>Shows the ticket preview</translation>
    </message>
    <message>
        <source>整理券プレビュー</source>
        <translation>Ticket preview</translation>
    </message>
    <message>
        <source>コピー(&amp;C)</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>%1（キー: %2）</source>
        <translation>%1 (key: %2)</translation>
    </message>
    <message>
        <source>数字を入力します</source>
        <translation>Types a digit</translation>
    </message>
    <message>
        <source>系統番号を入力します</source>
        <translation>Starts typing the route number</translation>
    </message>
    <message>
        <source>区間を入力します</source>
        <translation>Starts typing the section</translation>
    </message>
    <message>
        <source>入力した系統と区間を設定します</source>
        <translation>Sets the route and section typed</translation>
    </message>
    <message>
        <source>選んだ系統と区間を設定します</source>
        <translation>Sets the route and section chosen</translation>
    </message>
    <message>
        <source>一つ前の停留所に戻ります</source>
        <translation>Goes back one stop</translation>
    </message>
    <message>
        <source>次の停留所に進みます</source>
        <translation>Goes on to the next stop</translation>
    </message>
    <message>
        <source>次の放送を流します</source>
        <translation>Plays the next announcement</translation>
    </message>
    <message>
        <source>前の放送に戻ります</source>
        <translation>Goes back to the previous announcement</translation>
    </message>
    <message>
        <source>放送を止めます</source>
        <translation>Stops the announcement</translation>
    </message>
    <message>
        <source>声の速さや高さを調節します</source>
        <translation>Adjusts the voice&apos;s speed and pitch</translation>
    </message>
    <message>
        <source>深夜料金を表示します</source>
        <translation>Shows late-night fares</translation>
    </message>
    <message>
        <source>表示を消し、操作盤を止めます</source>
        <translation>Blanks the board and locks the console</translation>
    </message>
    <message>
        <source>オプションを設定します</source>
        <translation>Opens the options</translation>
    </message>
    <message>
        <source>バージョン情報を表示します（F1 キーで使い方ガイドを開きます）</source>
        <translation>Shows the version (F1 opens the user guide)</translation>
    </message>
    <message>
        <source>使い方ガイドが見つかりません。次の場所を探しました：
%1</source>
        <translation>The user guide was not found. It was looked for in:
%1</translation>
    </message>
    <message>
        <source>使い方ガイド</source>
        <translation>User guide</translation>
    </message>
    <message>
        <source>Corvane - 型番:</source>
        <translation>Corvane - model </translation>
    </message>
    <message>
        <source>整理券プレビューを隠します</source>
        <translation>Hides the ticket preview</translation>
    </message>
    <message>
        <source>Corvaneを終了しますか？</source>
        <translation>Quit Corvane?</translation>
    </message>
    <message>
        <source>Corvaneの終了確認</source>
        <translation>Quit Corvane</translation>
    </message>
</context>
<context>
    <name>frmOption</name>
    <message>
        <source>オプション</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>プラグインの指定を解除します</source>
        <translation>Clears the plug-in</translation>
    </message>
    <message>
        <source>フォルダーを選択してください</source>
        <translation>Choose a folder</translation>
    </message>
    <message>
        <source>サウンドの選択</source>
        <translation>Choose a sound</translation>
    </message>
    <message>
        <source>Waveサウンド(*.wav)</source>
        <translation>Wave sound (*.wav)</translation>
    </message>
    <message>
        <source>MP3サウンド(*.mp3)</source>
        <translation>MP3 sound (*.mp3)</translation>
    </message>
    <message>
        <source>MIDIシーケンス(*.mid)</source>
        <translation>MIDI sequence (*.mid)</translation>
    </message>
    <message>
        <source>パネル画像の選択</source>
        <translation>Choose a panel picture</translation>
    </message>
    <message>
        <source>ビットマップ(*.bmp)</source>
        <translation>Bitmap (*.bmp)</translation>
    </message>
    <message>
        <source>GIF画像(*.gif)</source>
        <translation>GIF picture (*.gif)</translation>
    </message>
    <message>
        <source>JPEG画像(*.jpg)</source>
        <translation>JPEG picture (*.jpg)</translation>
    </message>
    <message>
        <source>PNG画像(*.png)</source>
        <translation>PNG picture (*.png)</translation>
    </message>
    <message>
        <source>SVG画像(*.svg)</source>
        <translation>SVG picture (*.svg)</translation>
    </message>
    <message>
        <source>プラグインの選択</source>
        <translation>Choose a plug-in</translation>
    </message>
    <message>
        <source>整理券プラグイン(*.4SP)</source>
        <translation>Ticket plug-in (*.4SP)</translation>
    </message>
    <message>
        <source>指定したファイルはプラグインでないか、内容が不正です</source>
        <translation>The file is not a plug-in, or its contents are not valid</translation>
    </message>
    <message>
        <source>プラグインロードエラー</source>
        <translation>Plug-in error</translation>
    </message>
    <message>
        <source>運賃データと&#x3000;放送用データ</source>
        <translation>Data folders</translation>
    </message>
    <message>
        <source>パネルと整理券番号表示</source>
        <translation>Panel and ticket numbers</translation>
    </message>
    <message>
        <source>デジタル部品と情報用数字</source>
        <translation>Displays and information numbers</translation>
    </message>
    <message>
        <source>停名の設定</source>
        <translation>Stop name</translation>
    </message>
    <message>
        <source>サウンド</source>
        <translation>Sounds</translation>
    </message>
    <message>
        <source>&#x3000;&#x3000;整理券&#x3000;&#x3000;&#x3000;プレビュー</source>
        <translation>Ticket preview</translation>
    </message>
    <message>
        <source>運賃データと放送用データ</source>
        <translation>Fare data and announcement data</translation>
    </message>
    <message>
        <source>運賃データ(*.hy3)のあるフォルダー：</source>
        <translation>Folder of the fare data (*.hy3):</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>上記運賃データの場所をエクスプローラで開く</source>
        <translation>Open this folder in the file browser</translation>
    </message>
    <message>
        <source>放送用データ(*****Tp.csv)のあるフォルダー：</source>
        <translation>Folder of the announcement data (*****Tp.csv):</translation>
    </message>
    <message>
        <source>上記放送用データの場所をエクスプローラで開く</source>
        <translation>Open this folder in the file browser</translation>
    </message>
    <message>
        <source>整理券番号自動表示機能を使用</source>
        <translation>Number the ticket labels automatically</translation>
    </message>
    <message>
        <source>本体パネル</source>
        <translation>Board panel</translation>
    </message>
    <message>
        <source>内蔵しているパネルを自動で割り当てる</source>
        <translation>Use the built-in panels</translation>
    </message>
    <message>
        <source>個別に設定する</source>
        <translation>Choose each picture</translation>
    </message>
    <message>
        <source>バックライトOFF時の画像：</source>
        <translation>Picture for backlight OFF:</translation>
    </message>
    <message>
        <source>内蔵</source>
        <translation>Std</translation>
    </message>
    <message>
        <source>ユーザーパネル</source>
        <translation>User panel</translation>
    </message>
    <message>
        <source>ON1の画像：</source>
        <translation>Picture for ON1:</translation>
    </message>
    <message>
        <source>ON2の画像：</source>
        <translation>Picture for ON2:</translation>
    </message>
    <message>
        <source>整理券番号表示設定</source>
        <translation>Ticket number labels</translation>
    </message>
    <message>
        <source>数字が1桁の番号は頭に0を付け足す</source>
        <translation>Add a leading 0 to one-digit numbers</translation>
    </message>
    <message>
        <source>整理券番号のバックライトカラー(文字色)</source>
        <translation>Label colour for each backlight (text colour)</translation>
    </message>
    <message>
        <source>OFF：</source>
        <translation>OFF:</translation>
    </message>
    <message>
        <source>ON1：</source>
        <translation>ON1:</translation>
    </message>
    <message>
        <source>ON2：</source>
        <translation>ON2:</translation>
    </message>
    <message>
        <source>※ユーザーパネルに直接番号をデザインしている場合には上記チェックをOFFにしてください。</source>
        <translation>* Turn the box above off when your user panel has the numbers drawn on it.</translation>
    </message>
    <message>
        <source>※ユーザーパネルには、現在の機種に対応の画像をご使用ください。大きいパネルの場合、はみ出た部分（右・下）が切り取られます。逆に小さいパネルの場合は左上から表示され、余白部分はグレーになりますのでご注意ください。</source>
        <translation>* Use a user panel made for this model. A larger picture is cut at the right and bottom; a smaller one is shown from the top left, and the rest of the board stays grey.</translation>
    </message>
    <message>
        <source>デジタル部品の背景色と文字色（時計つきの場合はこの部分も同色となります）</source>
        <translation>Display colours (the clock takes the same colours)</translation>
    </message>
    <message>
        <source>背景色：</source>
        <translation>Background:</translation>
    </message>
    <message>
        <source>未発光時の文字色：</source>
        <translation>Unlit segments:</translation>
    </message>
    <message>
        <source>発光時の文字色：</source>
        <translation>Lit segments:</translation>
    </message>
    <message>
        <source>プレビュー</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>情報用数字の設定</source>
        <translation>Information numbers</translation>
    </message>
    <message>
        <source>停留所の順番（区間・個数）を、&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;  コマ目に表示する。</source>
        <translation>Show the stop&apos;s place (section, count) on display&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;  .</translation>
    </message>
    <message>
        <source>0から数える</source>
        <translation>Count from 0</translation>
    </message>
    <message>
        <source>整理券番号を、  &#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;コマ目に表示する。</source>
        <translation>Show the ticket number on display  &#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;.</translation>
    </message>
    <message>
        <source>系統番号を、  &#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;コマ目に表示する。</source>
        <translation>Show the route number on display  &#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;.</translation>
    </message>
    <message>
        <source>データの&#x3000;&#x3000;&#x3000;  &#x3000;&#x3000;&#x3000;&#x3000;&#x3000;列目の値を、  &#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;コマ目に表示する。</source>
        <translation>Show column&#x3000;&#x3000;&#x3000;  &#x3000;&#x3000;&#x3000;&#x3000;&#x3000;of the data on display  &#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;.</translation>
    </message>
    <message>
        <source>デジタル数字の桁ずらし、ゼロ埋めの設定は各部品をダブルクリックして設定してください。また、これら情報用数字は運賃の表示よりも優先されます。</source>
        <translation>Double-click a display on the board to set its shift and zero fill. These information numbers are shown instead of the fare of their display.</translation>
    </message>
    <message>
        <source>文字色：</source>
        <translation>Text:</translation>
    </message>
    <message>
        <source>フォントオプション：</source>
        <translation>Font:</translation>
    </message>
    <message>
        <source>太字（表示の不具合はサポート対象外）</source>
        <translation>Bold (display problems are not supported)</translation>
    </message>
    <message>
        <source>サウンド（鳴らさなくてもいい項目にはファイル名を入れないで下さい）</source>
        <translation>Sounds (leave a file name empty for no sound)</translation>
    </message>
    <message>
        <source>系統設定時のサウンド：</source>
        <translation>Route set:</translation>
    </message>
    <message>
        <source>リセット時のサウンド：</source>
        <translation>Keypad and reset:</translation>
    </message>
    <message>
        <source>放送前のサウンド...</source>
        <translation>Before announcements...</translation>
    </message>
    <message>
        <source>送り・戻し時のサウンド...</source>
        <translation>When stepping...</translation>
    </message>
    <message>
        <source>放送前のサウンド：※音声合成放送機能が有効でない場合は以下の設定は意味を持ちません。</source>
        <translation>Before announcements (these have no effect while speech is not available)</translation>
    </message>
    <message>
        <source>常に右記のサウンドを鳴らす</source>
        <translation>Always play this sound</translation>
    </message>
    <message>
        <source>放送データ(*.Tp.csv)内のフラグから判断して、以下の指定したサウンドを鳴らす（フラグの内容が1～3以外の場合はサウンドは鳴りません）</source>
        <translation>Play the sound below that the announcement data&apos;s (*Tp.csv) flag names (no sound for a flag other than 1 to 3)</translation>
    </message>
    <message>
        <source>「1」の場合</source>
        <translation>For &quot;1&quot;:</translation>
    </message>
    <message>
        <source>「2」の場合</source>
        <translation>For &quot;2&quot;:</translation>
    </message>
    <message>
        <source>「3」の場合</source>
        <translation>For &quot;3&quot;:</translation>
    </message>
    <message>
        <source>再生方法</source>
        <translation>Playing</translation>
    </message>
    <message>
        <source>同期再生(サウンドが完全に再生された後で放送開始)</source>
        <translation>Wait (the announcement starts after the sound)</translation>
    </message>
    <message>
        <source>非同期再生(サウンドを再生しながら放送開始)</source>
        <translation>Do not wait (the announcement starts with the sound)</translation>
    </message>
    <message>
        <source>「放送前のサウンド」再生時は、停名のスクロールが停止することがありますので、あらかじめご了承ください。</source>
        <translation>While the sound before an announcement plays, the stop name may stop scrolling.</translation>
    </message>
    <message>
        <source>送り・戻し時のサウンド</source>
        <translation>When stepping</translation>
    </message>
    <message>
        <source>運賃データ(*.hy3)の特定の列のデータから判断して、以下の指定したサウンドを鳴らす（指定した列のデータの内容が1～3以外の場合はサウンドは鳴りません）</source>
        <translation>Play the sound below that a column of the fare data (*.hy3) names (no sound for a value other than 1 to 3)</translation>
    </message>
    <message>
        <source>運賃データの                        &#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;列目                     のデータが、</source>
        <translation>When fare data column                        &#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;                     holds</translation>
    </message>
    <message>
        <source>同期再生(サウンドが完全に再生された後で運賃切り替え)</source>
        <translation>Wait (the fares change after the sound)</translation>
    </message>
    <message>
        <source>非同期再生(サウンドを再生しながら運賃切り替え)</source>
        <translation>Do not wait (the fares change with the sound)</translation>
    </message>
    <message>
        <source>整理券プレビュー</source>
        <translation>Ticket preview</translation>
    </message>
    <message>
        <source>整理券プレビュー機能を使用する</source>
        <translation>Use the ticket preview</translation>
    </message>
    <message>
        <source>整理券プラグイン設定</source>
        <translation>Ticket plug-in</translation>
    </message>
    <message>
        <source>整理券プラグイン（整理券プレビューを使用しない場合は、何も入れないでください）：</source>
        <translation>Ticket plug-in (leave it empty when the ticket preview is not used):</translation>
    </message>
    <message>
        <source>r</source>
        <translation>r</translation>
    </message>
    <message>
        <source>上記プラグインのプロパティ：</source>
        <translation>What the plug-in can do:</translation>
    </message>
    <message>
        <source>上記プラグインの特記事項：</source>
        <translation>Notes of the plug-in:</translation>
    </message>
    <message>
        <source>日付の設定（整理券プラグインが日付の印字をサポートしているときに有効）</source>
        <translation>Ticket date (when the plug-in prints a date)</translation>
    </message>
    <message>
        <source>システムの日付を使用（整理券印字と同時に日付を更新、デフォルト）</source>
        <translation>System date, taken as each ticket is printed (default)</translation>
    </message>
    <message>
        <source>システムの日付を使用（系統設定した時点の日付を保持）</source>
        <translation>System date, kept from when the route was set</translation>
    </message>
    <message>
        <source>右記の日付に固定</source>
        <translation>This date:</translation>
    </message>
    <message>
        <source>日付選択...</source>
        <translation>Choose...</translation>
    </message>
    <message>
        <source>系統設定した際の日付が保持され、日付が途中で変わっても次回系統設定するまで整理券の日付変更を行いません。</source>
        <translation>The date of setting the route is kept: the tickets keep it until the next route is set, even past midnight.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>mdlIniIo</name>
    <message>
        <source>モジュール:</source>
        <translation>Module:</translation>
    </message>
    <message>
        <source>エラー Code:</source>
        <translation>Error code:</translation>
    </message>
    <message>
        <source>内容:</source>
        <translation>Description:</translation>
    </message>
</context>
<context>
    <name>mdlM_Tape</name>
    <message>
        <source>音合使用不可</source>
        <translation>No speech</translation>
    </message>
    <message>
        <source>音合使用可</source>
        <translation>Speech</translation>
    </message>
    <message>
        <source>放送用データがありません：</source>
        <translation>No announcement data: </translation>
    </message>
    <message>
        <source>通常のファイルではありません。</source>
        <translation>It is not a regular file.</translation>
    </message>
    <message>
        <source>ファイルが大きすぎます。</source>
        <translation>The file is too large.</translation>
    </message>
    <message>
        <source>%1行目を読めません。</source>
        <translation>Line %1 cannot be read.</translation>
    </message>
    <message>
        <source>放送用データを読み込めませんでした：</source>
        <translation>The announcement data could not be read: </translation>
    </message>
</context>
</TS>
