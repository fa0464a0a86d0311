<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_TW">
<context>
    <name>padscope::CCrosstalkMap</name>
    <message>
        <location filename="../../src/ui/views/CCrosstalkMap.cpp" line="77"/>
        <source>%1 with itself</source>
        <translation>%1 與自身</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CCrosstalkMap.cpp" line="81"/>
        <source>%1 touched alone: not in this range, so its effect on %2 is not known</source>
        <translation>此範圍內沒有單獨觸摸 %1，因此它對 %2 的影響未知</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CCrosstalkMap.cpp" line="84"/>
        <source>%1 touched alone moves %2 by %3</source>
        <translation>單獨觸摸 %1 時 %2 變化 %3</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CCrosstalkMap.cpp" line="87"/>
        <source> (%1 % of %2&apos;s signal)</source>
        <translation>（為 %2 訊號的 %1 %）</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CCrosstalkMap.cpp" line="91"/>
        <source>: above the %1 % flag level</source>
        <translation>：超過 %1 % 標記門檻</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CCrosstalkMap.cpp" line="101"/>
        <source>No analysis to show yet.</source>
        <translation>尚無可顯示的分析結果。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CCrosstalkMap.cpp" line="105"/>
        <source>Too small to draw the map.</source>
        <translation>區域太小，無法繪製串擾圖。</translation>
    </message>
</context>
<context>
    <name>padscope::CMainFrame</name>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="89"/>
        <source>Start</source>
        <translation>開始</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="89"/>
        <source>Start Capture Data.</source>
        <translation>開始採集數據。</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="90"/>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="90"/>
        <source>Stop Data Capture.</source>
        <translation>停止採集數據。</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="91"/>
        <source>Time Mode</source>
        <translation>時間模式</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="92"/>
        <source>Data Mode</source>
        <translation>數據模式</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="93"/>
        <source>High Precision Sampling</source>
        <translation>高精度採樣</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="94"/>
        <source>Low Precision Sampling</source>
        <translation>低精度採樣</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="95"/>
        <source>Use low range value as waveform bottom</source>
        <translation>以量程下限作為波形底部</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="96"/>
        <source>Key Range Max +1</source>
        <translation>按鍵量程上限 +1</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="97"/>
        <source>Key Range Max -1</source>
        <translation>按鍵量程上限 -1</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="98"/>
        <source>Output Zoom +1</source>
        <translation>輸出縮放 +1</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="99"/>
        <source>Output Zoom -1</source>
        <translation>輸出縮放 -1</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="100"/>
        <source>Dump Original Data</source>
        <translation>導出原始數據</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="101"/>
        <source>Dump Threshold</source>
        <translation>導出閾值</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="102"/>
        <source>Load Data</source>
        <translation>加載數據</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="103"/>
        <source>Analy</source>
        <translation>分析</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="104"/>
        <source>Clear All Message Log</source>
        <translation>清除全部消息日誌</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="64"/>
        <source>Global Parameters...</source>
        <translation>全局參數...</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="109"/>
        <source>CTK Single byte 16TK</source>
        <translation>CTK 單字節 16TK</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="110"/>
        <source>STK/FTK Double bytes 8TK</source>
        <translation>STK/FTK 雙字節 8TK</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="111"/>
        <source>Position TK channel coordinates</source>
        <translation>定位 TK 通道坐標</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="112"/>
        <source>Recharge</source>
        <translation>回灌</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="113"/>
        <source>Zoom In</source>
        <translation>放大</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="114"/>
        <source>Zoom Out</source>
        <translation>縮小</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="115"/>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="117"/>
        <source>Move Up</source>
        <translation>上移</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="116"/>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="118"/>
        <source>Move Down</source>
        <translation>下移</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="119"/>
        <source>Move Left</source>
        <translation>左移</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="120"/>
        <source>Move Right</source>
        <translation>右移</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="121"/>
        <source>Real-time Mode Video</source>
        <translation>實時模式視頻</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="122"/>
        <source>Recording Mode Video</source>
        <translation>錄製模式視頻</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="123"/>
        <source>Instructions</source>
        <translation>使用說明</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="124"/>
        <source>About Padscope...</source>
        <translation>關於 Padscope...</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="125"/>
        <source>Mouse Follow Raw Value</source>
        <translation>滑鼠跟隨原始值</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="126"/>
        <source>Enable Log Information</source>
        <translation>啟用日誌信息</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="127"/>
        <source>Set TK Range</source>
        <translation>設置 TK 範圍</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="128"/>
        <source>Pause/Continue Playback</source>
        <translation>暫停/繼續回放</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="129"/>
        <source>Exit</source>
        <translation>退出</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="130"/>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="178"/>
        <source>Toolbar</source>
        <translation>工具列</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="131"/>
        <source>Status Bar</source>
        <translation>狀態列</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="222"/>
        <source>&amp;File</source>
        <translation>檔案(&amp;F)</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="241"/>
        <source>&amp;Graph</source>
        <translation>圖形(&amp;G)</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="257"/>
        <source>&amp;View</source>
        <translation>檢視(&amp;V)</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="268"/>
        <source>&amp;Help</source>
        <translation>說明(&amp;H)</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrame.cpp" line="228"/>
        <source>Ready</source>
        <translation>就緒</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="66"/>
        <source>Measure</source>
        <translation>測量</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="67"/>
        <source>Place two cursors on the waveform view and read what lies between them.</source>
        <translation>在波形視圖上放置兩個游標，讀出兩者之間的資料。</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="75"/>
        <source>Tuning</source>
        <translation>調校</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="69"/>
        <source>Show the tuning panel: noise, signal, SNR and thresholds of every key.</source>
        <translation>顯示調校面板：每個按鍵的雜訊、訊號、訊雜比和閾值。</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="73"/>
        <source>Fit to Data</source>
        <translation>適配資料</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="74"/>
        <source>Fit the waveform and output ranges to the values in view.</source>
        <translation>使波形和輸出的顯示範圍恰好容納視圖中的數值。</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="135"/>
        <source>Export Range...</source>
        <translation>匯出區間...</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="136"/>
        <source>Save the frames between the measurement cursors.</source>
        <translation>儲存兩個測量游標之間的幀。</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="108"/>
        <source>Measure: press on the waveform for cursor A, drag for B.</source>
        <translation>測量：在波形上按下放置游標 A，拖動放置游標 B。</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="147"/>
        <source>Fit to Data: no values in view.</source>
        <translation>適配資料：視圖中沒有數值。</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="48"/>
        <source>&amp;Tuning</source>
        <translation>調校(&amp;T)</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="55"/>
        <source>MA Algorithm</source>
        <translation>MA算法</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="55"/>
        <source>Each key keeps its own threshold; then the global parameters.</source>
        <translation>每個按鍵使用各自的閾值；隨後設定全局參數。</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="56"/>
        <source>INTE Algorithm (Auto Balance)</source>
        <translation>INTE算法（自動平衡）</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="57"/>
        <source>One threshold for every key and the Auto Balance button; then the global parameters.</source>
        <translation>所有按鍵共用一個閾值，並顯示 Auto Balance 按鈕；隨後設定全局參數。</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="59"/>
        <source>Generate Hex File...</source>
        <translation>產生Hex檔案...</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="59"/>
        <source>Patch the thresholds into a firmware HEX file.</source>
        <translation>將閾值寫入韌體 HEX 檔案。</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="65"/>
        <source>Send the sensing parameters (channel timer, sampling, hold, debounce) to the chip.</source>
        <translation>將偵測參數（通道計時器、採樣、按鍵保持、去彈跳）傳送到晶片。</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="68"/>
        <source>Tuning Panel</source>
        <translation>調校面板</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="70"/>
        <source>Guided Measurement</source>
        <translation>引導測量</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="71"/>
        <source>Hands off the keys, then touch each key in turn: measures noise and signal of every key.</source>
        <translation>先不要觸摸按鍵，再依序觸摸每個按鍵：測量每個按鍵的雜訊和訊號。</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="166"/>
        <source>Views fitted to the first second of data; F6 fits them again.</source>
        <translation>兩個視圖已適配第一秒的資料；按 F6 可重新適配。</translation>
    </message>
</context>
<context>
    <name>padscope::CTuningPanel</name>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="117"/>
        <source>Cursors</source>
        <translation>游標</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="118"/>
        <source>Analysis</source>
        <translation>分析</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="136"/>
        <source>Send the ticked keys&apos; recommended thresholds to the chip and keep them as their thresholds. Keys that pass are ticked; tick another one to send its threshold too.</source>
        <translation>將勾選按鍵的建議閾值傳送到晶片，並保存為它們的閾值。通過的按鍵已勾選；勾選其他按鍵即可一併傳送其閾值。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="167"/>
        <source>Crosstalk</source>
        <translation>串擾</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="167"/>
        <source>Crosstalk (%1)</source>
        <translation>串擾 (%1)</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="126"/>
        <source>Range:</source>
        <translation>範圍：</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="128"/>
        <source>Last seconds of the capture</source>
        <translation>擷取的最近幾秒</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="128"/>
        <source>Between the cursors</source>
        <translation>游標之間</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="129"/>
        <source>Whole buffer</source>
        <translation>整個緩衝區</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="129"/>
        <source>Guided measurement</source>
        <translation>引導測量</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="133"/>
        <source> s</source>
        <translation> 秒</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="134"/>
        <source>Send recommended thresholds</source>
        <translation>傳送建議閾值</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="138"/>
        <source>Save report...</source>
        <translation>儲存報告...</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="511"/>
        <source>Save report</source>
        <translation>儲存報告</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="139"/>
        <source>Skip</source>
        <translation>跳過</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="123"/>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="141"/>
        <source>Key</source>
        <translation>按鍵</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="141"/>
        <source>SNR</source>
        <translation>訊雜比</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="141"/>
        <source>Recommended</source>
        <translation>建議閾值</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="141"/>
        <source>Raw noise</source>
        <translation>原始雜訊</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="141"/>
        <source>Raw signal</source>
        <translation>原始訊號</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="141"/>
        <source>Output SNR</source>
        <translation>輸出訊雜比</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="142"/>
        <source>Threshold</source>
        <translation>閾值</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="142"/>
        <source>False-touch margin</source>
        <translation>誤觸餘量</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="142"/>
        <source>Detection margin</source>
        <translation>偵測餘量</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="142"/>
        <source>Touches</source>
        <translation>觸摸次數</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="143"/>
        <source>Verdict</source>
        <translation>結論</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="143"/>
        <source>Missed</source>
        <translation>漏報</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="143"/>
        <source>False touches</source>
        <translation>誤觸發</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="145"/>
        <source>Rows: the key touched alone. Columns: the key it moves, as a share of the touched key&apos;s signal. Outlined: above the flag level or firing the key&apos;s bit. Point at a cell for its value.</source>
        <translation>列：單獨觸摸的按鍵。欄：被它帶動的按鍵，以觸摸按鍵訊號的百分比表示。加框：超過標記閾值或觸發了該按鍵的鍵位。指向儲存格可查看數值。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="404"/>
        <source>pass</source>
        <translation>通過</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="404"/>
        <source>fail</source>
        <translation>未通過</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="404"/>
        <source>untouched</source>
        <translation>未觸摸</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="405"/>
        <source>no data</source>
        <translation>無資料</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="355"/>
        <source>Reading the range... %1 %</source>
        <translation>正在讀取範圍... %1 %</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="359"/>
        <source>Place the cursors A and B on the waveform view (Tuning &gt; Measure).</source>
        <translation>請在波形視圖上放置游標 A 和 B（調校 &gt; 測量）。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="361"/>
        <source>Run the guided measurement first.</source>
        <translation>請先進行引導測量。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="363"/>
        <source>No frames yet: start the capture or load a chart.</source>
        <translation>尚無資料幀：請開始擷取或載入圖表檔。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="367"/>
        <source>Frames %1 to %2: %3 decoded, %4 idle</source>
        <translation>幀 %1 至 %2：已解碼 %3，閒置 %4</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="405"/>
        <source>stuck</source>
        <translation>卡住</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="405"/>
        <source>dead</source>
        <translation>無響應</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="456"/>
        <source>Nothing measured yet: no ticked key has a recommended threshold. Touch the keys (or run the guided measurement) and try again.</source>
        <translation>尚未測量：沒有勾選的按鍵有建議閾值。請觸摸按鍵（或進行引導測量）後再試。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="467"/>
        <source>%1 of %2 thresholds were not sent; the message log says why.</source>
        <translation>%2 個閾值中有 %1 個未傳送，原因見訊息日誌。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="506"/>
        <source>Nothing measured yet: there is no analysis to report.</source>
        <translation>尚未測量：沒有可報告的分析結果。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="499"/>
        <source>Could not write %1.</source>
        <translation>無法寫入 %1。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="120"/>
        <source>Export range...</source>
        <translation>匯出區間...</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelCursors.cpp" line="147"/>
        <source>Export range</source>
        <translation>匯出區間</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="122"/>
        <source>Save the frames between the cursors as a chart (.tkchart) or as decoded CSV (.csv).</source>
        <translation>將游標之間的幀儲存為圖表檔（.tkchart）或解碼後的 CSV（.csv）。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="123"/>
        <source>Raw min</source>
        <translation>原始最小</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="123"/>
        <source>Raw max</source>
        <translation>原始最大</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="123"/>
        <source>Raw mean</source>
        <translation>原始均值</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="124"/>
        <source>Raw p-p</source>
        <translation>原始峰對峰值</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="124"/>
        <source>Output min</source>
        <translation>輸出最小</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="124"/>
        <source>Output max</source>
        <translation>輸出最大</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="125"/>
        <source>Output mean</source>
        <translation>輸出均值</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="125"/>
        <source>Output p-p</source>
        <translation>輸出峰對峰值</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelCursors.cpp" line="81"/>
        <source>Switch Measure on (Tuning menu, toolbar or F8), then press on the waveform view to place cursor A and drag to place B. Drag a cursor to move it.</source>
        <translation>開啟測量（調校選單、工具列或 F8），然後在波形視圖上按下以放置游標 A，拖動以放置游標 B。拖動游標可移動它。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelCursors.cpp" line="99"/>
        <source>A: frame %1 at %2    B: frame %3 at %4    Δt: %5, %6 frames</source>
        <translation>A：第 %1 幀，%2    B：第 %3 幀，%4    Δt：%5，%6 幀</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelCursors.cpp" line="139"/>
        <source>Place the cursors A and B on the waveform view first (Tuning &gt; Measure).</source>
        <translation>請先在波形視圖上放置游標 A 和 B（調校 &gt; 測量）。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelWalk.cpp" line="27"/>
        <source>The guided measurement needs a running capture.</source>
        <translation>引導測量需要正在進行的擷取。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelWalk.cpp" line="50"/>
        <source>Guided measurement stopped.</source>
        <translation>引導測量已停止。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelWalk.cpp" line="74"/>
        <source>The capture was restarted; the guided measurement stopped.</source>
        <translation>擷取已重新開始，引導測量已停止。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelWalk.cpp" line="114"/>
        <source>%1 reads touched with the hands off: stuck.</source>
        <translation>%1 在未觸摸時讀作觸摸：卡住。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelWalk.cpp" line="121"/>
        <source>touched, but the chip did not report it: its threshold is above the touch</source>
        <translation>已觸摸，但晶片未回報：其閾值高於觸摸訊號</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelWalk.cpp" line="129"/>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelWalk.cpp" line="129"/>
        <source>Start guided measurement</source>
        <translation>開始引導測量</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelWalk.cpp" line="133"/>
        <source>Measures noise and signal of every shown key, one after the other.</source>
        <translation>依序測量每個顯示按鍵的雜訊和訊號。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelWalk.cpp" line="143"/>
        <source>Guided measurement finished. Keys measured: %1, skipped: %2.</source>
        <translation>引導測量完成。已測量按鍵：%1，已跳過：%2。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelWalk.cpp" line="150"/>
        <source>Step %1 of %2: </source>
        <translation>第 %1 步，共 %2 步：</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelWalk.cpp" line="154"/>
        <source>Keep your hands off the keys (%1 s)</source>
        <translation>請勿觸摸按鍵（%1 秒）</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelWalk.cpp" line="156"/>
        <source>Touch and hold %1</source>
        <translation>觸摸並按住 %1</translation>
    </message>
</context>
<context>
    <name>padscope::CViewKey</name>
    <message>
        <location filename="../../src/ui/views/CViewKey.cpp" line="75"/>
        <source>Delete item: removes the selected line from the message log.</source>
        <translation>刪除選項：從訊息日誌中刪除選取的行。</translation>
    </message>
</context>
<context>
    <name>padscope::CViewKeyScope</name>
    <message>
        <location filename="../../src/ui/views/CViewKeyScope.cpp" line="109"/>
        <source>Result (TK output): the output value of every shown key, which the chip compares with the key&apos;s threshold (its dotted line), and a box per key at the right. Drag a threshold line to change it; point at one for its key and value.</source>
        <translation>結果（TK 輸出）：每個顯示按鍵的輸出值，晶片將其與該按鍵的閾值（虛線）比較；右側每個按鍵有一個方框。拖動閾值線可修改閾值；指向閾值線可查看按鍵和數值。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CViewKeyScope.cpp" line="280"/>
        <source>%1 threshold: %2</source>
        <translation>%1 閾值：%2</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CViewKeyScope.cpp" line="281"/>
        <source> (not sent to the chip)</source>
        <translation>（尚未傳送到晶片）</translation>
    </message>
</context>
<context>
    <name>padscope::CViewScope</name>
    <message>
        <location filename="../../src/ui/views/CViewScopeMeasure.cpp" line="133"/>
        <source>Δt %1 · %2 frames</source>
        <translation>Δt %1 · %2 幀</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CViewScope.cpp" line="204"/>
        <source>Raw data: the raw count of every shown key over time, the newest at the left. Drag the arrows at the right to change the range; F6 fits it to the data.</source>
        <translation>原始數據區域：每個顯示按鍵的原始計數隨時間的變化，最新的在左側。拖動右側的箭頭可調整範圍；按 F6 使其適配資料。</translation>
    </message>
</context>
<context>
    <name>padscope::CViewSetting</name>
    <message>
        <location filename="../../src/ui/views/CViewSetting.cpp" line="65"/>
        <source>Print thresholds: writes every key&apos;s threshold into the message log.</source>
        <translation>輸出閾值：將每個按鍵的閾值寫入訊息日誌。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CViewSetting.cpp" line="68"/>
        <source>Print raw values: writes every key&apos;s newest raw count (its baseline) into the message log.</source>
        <translation>輸出原始值：將每個按鍵最新的原始計數（基線）寫入訊息日誌。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CViewSetting.cpp" line="71"/>
        <source>Number</source>
        <translation>序號</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CViewSetting.cpp" line="73"/>
        <source>Charts loaded or saved: double-click one to load and play it again, click this header to stop a replay or load, drag one out of the list to remove it.</source>
        <translation>已載入或儲存的圖表檔：按兩下一項可重新載入並回放，按一下表頭可終止回放或載入，將一項拖出列表可刪除它。</translation>
    </message>
</context>
</TS>
