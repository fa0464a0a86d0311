<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>padscope::CMainFrame</name>
    <message>
        <source>Start</source>
        <translation>开始</translation>
    </message>
    <message>
        <source>Start Capture Data.</source>
        <translation>开始采集数据。</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Stop Data Capture.</source>
        <translation>停止采集数据。</translation>
    </message>
    <message>
        <source>Time Mode</source>
        <translation>时间模式</translation>
    </message>
    <message>
        <source>Data Mode</source>
        <translation>数据模式</translation>
    </message>
    <message>
        <source>High Precision Sampling</source>
        <translation>高精度采样</translation>
    </message>
    <message>
        <source>Low Precision Sampling</source>
        <translation>低精度采样</translation>
    </message>
    <message>
        <source>Use low range value as waveform bottom</source>
        <translation>以量程下限作为波形底部</translation>
    </message>
    <message>
        <source>Key Range Max +1</source>
        <translation>按键量程上限 +1</translation>
    </message>
    <message>
        <source>Key Range Max -1</source>
        <translation>按键量程上限 -1</translation>
    </message>
    <message>
        <source>Output Zoom +1</source>
        <translation>输出缩放 +1</translation>
    </message>
    <message>
        <source>Output Zoom -1</source>
        <translation>输出缩放 -1</translation>
    </message>
    <message>
        <source>Dump Original Data</source>
        <translation>导出原始数据</translation>
    </message>
    <message>
        <source>Dump Threshold</source>
        <translation>导出阈值</translation>
    </message>
    <message>
        <source>Load Data</source>
        <translation>加载数据</translation>
    </message>
    <message>
        <source>Analy</source>
        <translation>分析</translation>
    </message>
    <message>
        <source>Clear All Message Log</source>
        <translation>清除全部消息日志</translation>
    </message>
    <message>
        <source>Global Parameter Setting</source>
        <translation>全局参数设置</translation>
    </message>
    <message>
        <source>CTK Single byte 16TK</source>
        <translation>CTK 单字节 16TK</translation>
    </message>
    <message>
        <source>STK/FTK Double bytes 8TK</source>
        <translation>STK/FTK 双字节 8TK</translation>
    </message>
    <message>
        <source>Position TK channel coordinates</source>
        <translation>定位 TK 通道坐标</translation>
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
        <translation>缩小</translation>
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
        <translation>实时模式视频</translation>
    </message>
    <message>
        <source>Recording Mode Video</source>
        <translation>录制模式视频</translation>
    </message>
    <message>
        <source>Instructions</source>
        <translation>使用说明</translation>
    </message>
    <message>
        <source>About Padscope...</source>
        <translation>关于 Padscope...</translation>
    </message>
    <message>
        <source>Mouse Follow Raw Value</source>
        <translation>鼠标跟随原始值</translation>
    </message>
    <message>
        <source>Enable Log Information</source>
        <translation>启用日志信息</translation>
    </message>
    <message>
        <source>Set TK Range</source>
        <translation>设置 TK 范围</translation>
    </message>
    <message>
        <source>Pause/Continue Playback</source>
        <translation>暂停/继续回放</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>Toolbar</source>
        <translation>工具栏</translation>
    </message>
    <message>
        <source>Status Bar</source>
        <translation>状态栏</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>文件(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Graph</source>
        <translation>图形(&amp;G)</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>视图(&amp;V)</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>帮助(&amp;H)</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>就绪</translation>
    </message>
</context>
</TS>
