<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>padscope::CCrosstalkMap</name>
    <message>
        <location filename="../../src/ui/views/CCrosstalkMap.cpp" line="77"/>
        <source>%1 with itself</source>
        <translation>%1 与自身</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CCrosstalkMap.cpp" line="81"/>
        <source>%1 touched alone: not in this range, so its effect on %2 is not known</source>
        <translation>此范围内没有单独触摸 %1，因此它对 %2 的影响未知</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CCrosstalkMap.cpp" line="84"/>
        <source>%1 touched alone moves %2 by %3</source>
        <translation>单独触摸 %1 时 %2 变化 %3</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CCrosstalkMap.cpp" line="87"/>
        <source> (%1 % of %2&apos;s signal)</source>
        <translation>（为 %2 信号的 %1 %）</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CCrosstalkMap.cpp" line="91"/>
        <source>: above the %1 % flag level</source>
        <translation>：超过 %1 % 标记阈值</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CCrosstalkMap.cpp" line="101"/>
        <source>No analysis to show yet.</source>
        <translation>尚无可显示的分析结果。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CCrosstalkMap.cpp" line="105"/>
        <source>Too small to draw the map.</source>
        <translation>区域太小，无法绘制串扰图。</translation>
    </message>
</context>
<context>
    <name>padscope::CMainFrame</name>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="89"/>
        <source>Start</source>
        <translation>开始</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="89"/>
        <source>Start Capture Data.</source>
        <translation>开始采集数据。</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="90"/>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="90"/>
        <source>Stop Data Capture.</source>
        <translation>停止采集数据。</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="91"/>
        <source>Time Mode</source>
        <translation>时间模式</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="92"/>
        <source>Data Mode</source>
        <translation>数据模式</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="93"/>
        <source>High Precision Sampling</source>
        <translation>高精度采样</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="94"/>
        <source>Low Precision Sampling</source>
        <translation>低精度采样</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="95"/>
        <source>Use low range value as waveform bottom</source>
        <translation>以量程下限作为波形底部</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="96"/>
        <source>Key Range Max +1</source>
        <translation>按键量程上限 +1</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="97"/>
        <source>Key Range Max -1</source>
        <translation>按键量程上限 -1</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="98"/>
        <source>Output Zoom +1</source>
        <translation>输出缩放 +1</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="99"/>
        <source>Output Zoom -1</source>
        <translation>输出缩放 -1</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="100"/>
        <source>Dump Original Data</source>
        <translation>导出原始数据</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="101"/>
        <source>Dump Threshold</source>
        <translation>导出阈值</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="102"/>
        <source>Load Data</source>
        <translation>加载数据</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="103"/>
        <source>Analy</source>
        <translation>分析</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="104"/>
        <source>Clear All Message Log</source>
        <translation>清除全部消息日志</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="64"/>
        <source>Global Parameters...</source>
        <translation>全局参数...</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="109"/>
        <source>CTK Single byte 16TK</source>
        <translation>CTK 单字节 16TK</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="110"/>
        <source>STK/FTK Double bytes 8TK</source>
        <translation>STK/FTK 双字节 8TK</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="111"/>
        <source>Position TK channel coordinates</source>
        <translation>定位 TK 通道坐标</translation>
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
        <translation>缩小</translation>
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
        <translation>实时模式视频</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="122"/>
        <source>Recording Mode Video</source>
        <translation>录制模式视频</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="123"/>
        <source>Instructions</source>
        <translation>使用说明</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="124"/>
        <source>About Padscope...</source>
        <translation>关于 Padscope...</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="125"/>
        <source>Mouse Follow Raw Value</source>
        <translation>鼠标跟随原始值</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="126"/>
        <source>Enable Log Information</source>
        <translation>启用日志信息</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="127"/>
        <source>Set TK Range</source>
        <translation>设置 TK 范围</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="128"/>
        <source>Pause/Continue Playback</source>
        <translation>暂停/继续回放</translation>
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
        <translation>工具栏</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="131"/>
        <source>Status Bar</source>
        <translation>状态栏</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="222"/>
        <source>&amp;File</source>
        <translation>文件(&amp;F)</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="241"/>
        <source>&amp;Graph</source>
        <translation>图形(&amp;G)</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="257"/>
        <source>&amp;View</source>
        <translation>视图(&amp;V)</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="268"/>
        <source>&amp;Help</source>
        <translation>帮助(&amp;H)</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrame.cpp" line="228"/>
        <source>Ready</source>
        <translation>就绪</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="66"/>
        <source>Measure</source>
        <translation>测量</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="67"/>
        <source>Place two cursors on the waveform view and read what lies between them.</source>
        <translation>在波形视图上放置两个光标，读出两者之间的数据。</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="75"/>
        <source>Tuning</source>
        <translation>调校</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="69"/>
        <source>Show the tuning panel: noise, signal, SNR and thresholds of every key.</source>
        <translation>显示调校面板：每个按键的噪声、信号、信噪比和阈值。</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="73"/>
        <source>Fit to Data</source>
        <translation>适配数据</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="74"/>
        <source>Fit the waveform and output ranges to the values in view.</source>
        <translation>使波形和输出的显示范围恰好容纳视图中的数值。</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="135"/>
        <source>Export Range...</source>
        <translation>导出区间...</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameCommands.cpp" line="136"/>
        <source>Save the frames between the measurement cursors.</source>
        <translation>保存两个测量光标之间的帧。</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="108"/>
        <source>Measure: press on the waveform for cursor A, drag for B.</source>
        <translation>测量：在波形上按下放置光标 A，拖动放置光标 B。</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="147"/>
        <source>Fit to Data: no values in view.</source>
        <translation>适配数据：视图中没有数值。</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="48"/>
        <source>&amp;Tuning</source>
        <translation>调校(&amp;T)</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="55"/>
        <source>MA Algorithm</source>
        <translation>MA算法</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="55"/>
        <source>Each key keeps its own threshold; then the global parameters.</source>
        <translation>每个按键使用各自的阈值；随后设置全局参数。</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="56"/>
        <source>INTE Algorithm (Auto Balance)</source>
        <translation>INTE算法（自动平衡）</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="57"/>
        <source>One threshold for every key and the Auto Balance button; then the global parameters.</source>
        <translation>所有按键共用一个阈值，并显示 Auto Balance 按钮；随后设置全局参数。</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="59"/>
        <source>Generate Hex File...</source>
        <translation>生成Hex文件...</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="59"/>
        <source>Patch the thresholds into a firmware HEX file.</source>
        <translation>将阈值写入固件 HEX 文件。</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="65"/>
        <source>Send the sensing parameters (channel timer, sampling, hold, debounce) to the chip.</source>
        <translation>将检测参数（通道定时器、采样、按键保持、去抖）发送到芯片。</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="68"/>
        <source>Tuning Panel</source>
        <translation>调校面板</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="70"/>
        <source>Guided Measurement</source>
        <translation>引导测量</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="71"/>
        <source>Hands off the keys, then touch each key in turn: measures noise and signal of every key.</source>
        <translation>先不要触摸按键，再依次触摸每个按键：测量每个按键的噪声和信号。</translation>
    </message>
    <message>
        <location filename="../../src/ui/app/CMainFrameTuning.cpp" line="166"/>
        <source>Views fitted to the first second of data; F6 fits them again.</source>
        <translation>两个视图已适配第一秒的数据；按 F6 可重新适配。</translation>
    </message>
</context>
<context>
    <name>padscope::CTuningPanel</name>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="117"/>
        <source>Cursors</source>
        <translation>光标</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="118"/>
        <source>Analysis</source>
        <translation>分析</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="136"/>
        <source>Send the ticked keys&apos; recommended thresholds to the chip and keep them as their thresholds. Keys that pass are ticked; tick another one to send its threshold too.</source>
        <translation>将勾选按键的推荐阈值发送到芯片，并保存为它们的阈值。通过的按键已勾选；勾选其他按键即可一并发送其阈值。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="167"/>
        <source>Crosstalk</source>
        <translation>串扰</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="167"/>
        <source>Crosstalk (%1)</source>
        <translation>串扰 (%1)</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="126"/>
        <source>Range:</source>
        <translation>范围：</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="128"/>
        <source>Last seconds of the capture</source>
        <translation>采集的最近几秒</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="128"/>
        <source>Between the cursors</source>
        <translation>光标之间</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="129"/>
        <source>Whole buffer</source>
        <translation>整个缓冲区</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="129"/>
        <source>Guided measurement</source>
        <translation>引导测量</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="133"/>
        <source> s</source>
        <translation> 秒</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="134"/>
        <source>Send recommended thresholds</source>
        <translation>发送推荐阈值</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="138"/>
        <source>Save report...</source>
        <translation>保存报告...</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="511"/>
        <source>Save report</source>
        <translation>保存报告</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="139"/>
        <source>Skip</source>
        <translation>跳过</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="123"/>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="141"/>
        <source>Key</source>
        <translation>按键</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="141"/>
        <source>SNR</source>
        <translation>信噪比</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="141"/>
        <source>Recommended</source>
        <translation>推荐阈值</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="141"/>
        <source>Raw noise</source>
        <translation>原始噪声</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="141"/>
        <source>Raw signal</source>
        <translation>原始信号</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="141"/>
        <source>Output SNR</source>
        <translation>输出信噪比</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="142"/>
        <source>Threshold</source>
        <translation>阈值</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="142"/>
        <source>False-touch margin</source>
        <translation>误触余量</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="142"/>
        <source>Detection margin</source>
        <translation>检测余量</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="142"/>
        <source>Touches</source>
        <translation>触摸次数</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="143"/>
        <source>Verdict</source>
        <translation>结论</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="143"/>
        <source>Missed</source>
        <translation>漏报</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="143"/>
        <source>False touches</source>
        <translation>误触发</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="145"/>
        <source>Rows: the key touched alone. Columns: the key it moves, as a share of the touched key&apos;s signal. Outlined: above the flag level or firing the key&apos;s bit. Point at a cell for its value.</source>
        <translation>行：单独触摸的按键。列：被它带动的按键，以触摸按键信号的百分比表示。加框：超过标记阈值或触发了该按键的键位。指向单元格可查看数值。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="404"/>
        <source>pass</source>
        <translation>通过</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="404"/>
        <source>fail</source>
        <translation>未通过</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="404"/>
        <source>untouched</source>
        <translation>未触摸</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="405"/>
        <source>no data</source>
        <translation>无数据</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="355"/>
        <source>Reading the range... %1 %</source>
        <translation>正在读取范围... %1 %</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="359"/>
        <source>Place the cursors A and B on the waveform view (Tuning &gt; Measure).</source>
        <translation>请在波形视图上放置光标 A 和 B（调校 &gt; 测量）。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="361"/>
        <source>Run the guided measurement first.</source>
        <translation>请先进行引导测量。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="363"/>
        <source>No frames yet: start the capture or load a chart.</source>
        <translation>尚无数据帧：请开始采集或加载图表文件。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="367"/>
        <source>Frames %1 to %2: %3 decoded, %4 idle</source>
        <translation>帧 %1 至 %2：已解码 %3，空闲 %4</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="405"/>
        <source>stuck</source>
        <translation>卡住</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="405"/>
        <source>dead</source>
        <translation>无响应</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="456"/>
        <source>Nothing measured yet: no ticked key has a recommended threshold. Touch the keys (or run the guided measurement) and try again.</source>
        <translation>尚未测量：没有勾选的按键有推荐阈值。请触摸按键（或进行引导测量）后再试。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="467"/>
        <source>%1 of %2 thresholds were not sent; the message log says why.</source>
        <translation>%2 个阈值中有 %1 个未发送，原因见消息日志。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="506"/>
        <source>Nothing measured yet: there is no analysis to report.</source>
        <translation>尚未测量：没有可报告的分析结果。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="499"/>
        <source>Could not write %1.</source>
        <translation>无法写入 %1。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="120"/>
        <source>Export range...</source>
        <translation>导出区间...</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelCursors.cpp" line="147"/>
        <source>Export range</source>
        <translation>导出区间</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="122"/>
        <source>Save the frames between the cursors as a chart (.tkchart) or as decoded CSV (.csv).</source>
        <translation>将光标之间的帧保存为图表文件（.tkchart）或解码后的 CSV（.csv）。</translation>
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
        <translation>原始峰峰值</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="124"/>
        <source>Output min</source>
        <translation>输出最小</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="124"/>
        <source>Output max</source>
        <translation>输出最大</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="125"/>
        <source>Output mean</source>
        <translation>输出均值</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanel.cpp" line="125"/>
        <source>Output p-p</source>
        <translation>输出峰峰值</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelCursors.cpp" line="81"/>
        <source>Switch Measure on (Tuning menu, toolbar or F8), then press on the waveform view to place cursor A and drag to place B. Drag a cursor to move it.</source>
        <translation>打开测量（调校菜单、工具栏或 F8），然后在波形视图上按下以放置光标 A，拖动以放置光标 B。拖动光标可移动它。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelCursors.cpp" line="99"/>
        <source>A: frame %1 at %2    B: frame %3 at %4    Δt: %5, %6 frames</source>
        <translation>A：第 %1 帧，%2    B：第 %3 帧，%4    Δt：%5，%6 帧</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelCursors.cpp" line="139"/>
        <source>Place the cursors A and B on the waveform view first (Tuning &gt; Measure).</source>
        <translation>请先在波形视图上放置光标 A 和 B（调校 &gt; 测量）。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelWalk.cpp" line="27"/>
        <source>The guided measurement needs a running capture.</source>
        <translation>引导测量需要正在进行的采集。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelWalk.cpp" line="50"/>
        <source>Guided measurement stopped.</source>
        <translation>引导测量已停止。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelWalk.cpp" line="74"/>
        <source>The capture was restarted; the guided measurement stopped.</source>
        <translation>采集已重新开始，引导测量已停止。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelWalk.cpp" line="114"/>
        <source>%1 reads touched with the hands off: stuck.</source>
        <translation>%1 在未触摸时读作触摸：卡住。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelWalk.cpp" line="121"/>
        <source>touched, but the chip did not report it: its threshold is above the touch</source>
        <translation>已触摸，但芯片未报告：其阈值高于触摸信号</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelWalk.cpp" line="129"/>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelWalk.cpp" line="129"/>
        <source>Start guided measurement</source>
        <translation>开始引导测量</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelWalk.cpp" line="133"/>
        <source>Measures noise and signal of every shown key, one after the other.</source>
        <translation>依次测量每个显示按键的噪声和信号。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelWalk.cpp" line="143"/>
        <source>Guided measurement finished. Keys measured: %1, skipped: %2.</source>
        <translation>引导测量完成。已测量按键：%1，已跳过：%2。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelWalk.cpp" line="150"/>
        <source>Step %1 of %2: </source>
        <translation>第 %1 步，共 %2 步：</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelWalk.cpp" line="154"/>
        <source>Keep your hands off the keys (%1 s)</source>
        <translation>请勿触摸按键（%1 秒）</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CTuningPanelWalk.cpp" line="156"/>
        <source>Touch and hold %1</source>
        <translation>触摸并按住 %1</translation>
    </message>
</context>
<context>
    <name>padscope::CViewKey</name>
    <message>
        <location filename="../../src/ui/views/CViewKey.cpp" line="75"/>
        <source>Delete item: removes the selected line from the message log.</source>
        <translation>删除选项：从消息日志中删除选中的行。</translation>
    </message>
</context>
<context>
    <name>padscope::CViewKeyScope</name>
    <message>
        <location filename="../../src/ui/views/CViewKeyScope.cpp" line="109"/>
        <source>Result (TK output): the output value of every shown key, which the chip compares with the key&apos;s threshold (its dotted line), and a box per key at the right. Drag a threshold line to change it; point at one for its key and value.</source>
        <translation>结果（TK 输出）：每个显示按键的输出值，芯片将其与该按键的阈值（虚线）比较；右侧每个按键有一个方框。拖动阈值线可修改阈值；指向阈值线可查看按键和数值。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CViewKeyScope.cpp" line="280"/>
        <source>%1 threshold: %2</source>
        <translation>%1 阈值：%2</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CViewKeyScope.cpp" line="281"/>
        <source> (not sent to the chip)</source>
        <translation>（尚未发送到芯片）</translation>
    </message>
</context>
<context>
    <name>padscope::CViewScope</name>
    <message>
        <location filename="../../src/ui/views/CViewScopeMeasure.cpp" line="133"/>
        <source>Δt %1 · %2 frames</source>
        <translation>Δt %1 · %2 帧</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CViewScope.cpp" line="204"/>
        <source>Raw data: the raw count of every shown key over time, the newest at the left. Drag the arrows at the right to change the range; F6 fits it to the data.</source>
        <translation>原始数据区域：每个显示按键的原始计数随时间的变化，最新的在左侧。拖动右侧的箭头可调整范围；按 F6 使其适配数据。</translation>
    </message>
</context>
<context>
    <name>padscope::CViewSetting</name>
    <message>
        <location filename="../../src/ui/views/CViewSetting.cpp" line="65"/>
        <source>Print thresholds: writes every key&apos;s threshold into the message log.</source>
        <translation>输出阈值：将每个按键的阈值写入消息日志。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CViewSetting.cpp" line="68"/>
        <source>Print raw values: writes every key&apos;s newest raw count (its baseline) into the message log.</source>
        <translation>输出原始值：将每个按键最新的原始计数（基线）写入消息日志。</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CViewSetting.cpp" line="71"/>
        <source>Number</source>
        <translation>序号</translation>
    </message>
    <message>
        <location filename="../../src/ui/views/CViewSetting.cpp" line="73"/>
        <source>Charts loaded or saved: double-click one to load and play it again, click this header to stop a replay or load, drag one out of the list to remove it.</source>
        <translation>已加载或保存的图表文件：双击一项可重新加载并回放，点击表头可终止回放或加载，将一项拖出列表可删除它。</translation>
    </message>
</context>
</TS>
