<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_TW">
<context>
    <name>padscope::CMainFrame</name>
    <message>
        <source>Start</source>
        <translation>開始</translation>
    </message>
    <message>
        <source>Start Capture Data.</source>
        <translation>開始採集數據。</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Stop Data Capture.</source>
        <translation>停止採集數據。</translation>
    </message>
    <message>
        <source>Time Mode</source>
        <translation>時間模式</translation>
    </message>
    <message>
        <source>Data Mode</source>
        <translation>數據模式</translation>
    </message>
    <message>
        <source>High Precision Sampling</source>
        <translation>高精度採樣</translation>
    </message>
    <message>
        <source>Low Precision Sampling</source>
        <translation>低精度採樣</translation>
    </message>
    <message>
        <source>Use low range value as waveform bottom</source>
        <translation>以量程下限作為波形底部</translation>
    </message>
    <message>
        <source>Key Range Max +1</source>
        <translation>按鍵量程上限 +1</translation>
    </message>
    <message>
        <source>Key Range Max -1</source>
        <translation>按鍵量程上限 -1</translation>
    </message>
    <message>
        <source>Output Zoom +1</source>
        <translation>輸出縮放 +1</translation>
    </message>
    <message>
        <source>Output Zoom -1</source>
        <translation>輸出縮放 -1</translation>
    </message>
    <message>
        <source>Dump Original Data</source>
        <translation>導出原始數據</translation>
    </message>
    <message>
        <source>Dump Threshold</source>
        <translation>導出閾值</translation>
    </message>
    <message>
        <source>Load Data</source>
        <translation>加載數據</translation>
    </message>
    <message>
        <source>Analy</source>
        <translation>分析</translation>
    </message>
    <message>
        <source>Clear All Message Log</source>
        <translation>清除全部消息日誌</translation>
    </message>
    <message>
        <source>Global Parameter Setting</source>
        <translation>全局參數設置</translation>
    </message>
    <message>
        <source>CTK Single byte 16TK</source>
        <translation>CTK 單字節 16TK</translation>
    </message>
    <message>
        <source>STK/FTK Double bytes 8TK</source>
        <translation>STK/FTK 雙字節 8TK</translation>
    </message>
    <message>
        <source>Position TK channel coordinates</source>
        <translation>定位 TK 通道坐標</translation>
    </message>
    <message>
        <source>Recharge</source>
        <translation>回灌</translation>
    </message>
    <message>
        <source>Zoom In</source>
        <translation>放大</translation>
    </message>
    <message>
        <source>Zoom Out</source>
        <translation>縮小</translation>
    </message>
    <message>
        <source>Move Up</source>
        <translation>上移</translation>
    </message>
    <message>
        <source>Move Down</source>
        <translation>下移</translation>
    </message>
    <message>
        <source>Move Left</source>
        <translation>左移</translation>
    </message>
    <message>
        <source>Move Right</source>
        <translation>右移</translation>
    </message>
    <message>
        <source>Real-time Mode Video</source>
        <translation>實時模式視頻</translation>
    </message>
    <message>
        <source>Recording Mode Video</source>
        <translation>錄製模式視頻</translation>
    </message>
    <message>
        <source>Instructions</source>
        <translation>使用說明</translation>
    </message>
    <message>
        <source>About Padscope...</source>
        <translation>關於 Padscope...</translation>
    </message>
    <message>
        <source>Mouse Follow Raw Value</source>
        <translation>滑鼠跟隨原始值</translation>
    </message>
    <message>
        <source>Enable Log Information</source>
        <translation>啟用日誌信息</translation>
    </message>
    <message>
        <source>Set TK Range</source>
        <translation>設置 TK 範圍</translation>
    </message>
    <message>
        <source>Pause/Continue Playback</source>
        <translation>暫停/繼續回放</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>Toolbar</source>
        <translation>工具列</translation>
    </message>
    <message>
        <source>Status Bar</source>
        <translation>狀態列</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>檔案(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Graph</source>
        <translation>圖形(&amp;G)</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>檢視(&amp;V)</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>說明(&amp;H)</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>就緒</translation>
    </message>
</context>
</TS>
