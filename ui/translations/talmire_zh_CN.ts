<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>CommissionTools</name>
    <message>
        <source>reading the configuration</source>
        <translation>读取配置</translation>
    </message>
    <message>
        <source>Reading the module&apos;s configuration...</source>
        <translation>正在读取模块配置...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Read whole configuration</source>
        <translation>读取全部配置</translation>
    </message>
    <message>
        <source>Reading the module&apos;s %1...</source>
        <translation>正在读取模块的%1...</translation>
    </message>
    <message>
        <source>The configuration could not be read: %1</source>
        <translation>无法读取配置：%1</translation>
    </message>
    <message>
        <source>Read the module&apos;s configuration first (Module, Read whole configuration).</source>
        <translation>请先读取模块配置（模块 &gt; 读取全部配置）。</translation>
    </message>
    <message>
        <source>%1 cannot be written: %2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
    <message>
        <source>%1 cannot be read: %2</source>
        <translation>无法读取 %1：%2</translation>
    </message>
    <message>
        <source>%1 is not a profile: %2</source>
        <translation>%1 不是配置文件：%2</translation>
    </message>
    <message>
        <source>Save profile</source>
        <translation>保存配置文件</translation>
    </message>
    <message>
        <source>Open profile</source>
        <translation>打开配置文件</translation>
    </message>
    <message>
        <source>Open a profile first (File, Open profile...).</source>
        <translation>请先打开配置文件（文件 &gt; 打开配置文件...）。</translation>
    </message>
    <message>
        <source>The profile cannot be read: %1</source>
        <translation>无法读取配置文件：%1</translation>
    </message>
    <message>
        <source>This is not a profile: %1</source>
        <translation>这不是配置文件：%1</translation>
    </message>
    <message>
        <source>Saved %1: %2 settings of the module.</source>
        <translation>已保存 %1：模块的 %2 项设置。</translation>
    </message>
    <message>
        <source>Opened %1: %2 settings of the module.</source>
        <translation>已打开 %1：模块的 %2 项设置。</translation>
    </message>
</context>
<context>
    <name>CompareDialog</name>
    <message>
        <source>Compare with module</source>
        <translation>与模块比较</translation>
    </message>
    <message>
        <source>Write</source>
        <translation>写入</translation>
    </message>
    <message>
        <source>Setting</source>
        <translation>设置项</translation>
    </message>
    <message>
        <source>Module</source>
        <translation>模块</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>配置文件</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>结果</translation>
    </message>
    <message>
        <source>&amp;Write differences</source>
        <translation>写入差异(&amp;W)</translation>
    </message>
    <message>
        <source>The module matches the profile.</source>
        <translation>模块与配置文件一致。</translation>
    </message>
    <message>
        <source>%1 of %2 settings differ; the ticked rows are written.</source>
        <translation>%2 项设置中有 %1 项不同；将写入勾选的行。</translation>
    </message>
    <message>
        <source>No row is ticked: there is nothing to write.</source>
        <translation>没有勾选任何行：无需写入。</translation>
    </message>
    <message>
        <source>The profile&apos;s %1 cannot be written: %2</source>
        <translation>配置文件中的 %1 无法写入：%2</translation>
    </message>
    <message>
        <source>the module&apos;s %1 line to %2 baud, parity %3</source>
        <translation>模块的 %1 线路改为 %2 波特率、校验 %3</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>未知</translation>
    </message>
    <message>
        <source>Line speed changes</source>
        <translation>线路速率变更</translation>
    </message>
    <message>
        <source>This write changes %1.

If the window is connected on that side, it follows the module to the new settings. Write?</source>
        <translation>此次写入将更改%1。

如果本窗口连接在该侧，将随模块切换到新的设置。是否写入？</translation>
    </message>
    <message>
        <source> and </source>
        <translation>以及</translation>
    </message>
    <message>
        <source>not written</source>
        <translation>未写入</translation>
    </message>
    <message>
        <source>the profile write</source>
        <translation>配置文件写入</translation>
    </message>
    <message>
        <source>verified</source>
        <translation>已验证</translation>
    </message>
    <message>
        <source>failed: reads back as %1</source>
        <translation>失败：读回为 %1</translation>
    </message>
    <message>
        <source>failed: %1</source>
        <translation>失败：%1</translation>
    </message>
    <message>
        <source>Stopped.</source>
        <translation>已停止。</translation>
    </message>
    <message>
        <source>The write stopped: %1</source>
        <translation>写入已停止：%1</translation>
    </message>
    <message>
        <source>Written; every row&apos;s result is beside it.</source>
        <translation>已写入；每行的结果显示在其旁边。</translation>
    </message>
    <message>
        <source>Nothing was written: the module&apos;s configuration as found cannot be kept: %1</source>
        <translation>未写入任何内容：无法保存模块原有的配置：%1</translation>
    </message>
    <message>
        <source>none</source>
        <translation>无</translation>
    </message>
    <message>
        <source>Written and verified: %1. Refused: %2. Not tried: %3.</source>
        <translation>已写入并校验：%1。被拒绝：%2。未尝试：%3。</translation>
    </message>
    <message>
        <source>The module could not be read back: %1</source>
        <translation>无法回读模块：%1</translation>
    </message>
    <message>
        <source>The module as found is kept in %1</source>
        <translation>模块原有的配置保存在 %1</translation>
    </message>
    <message>
        <source>not tried</source>
        <translation>未尝试</translation>
    </message>
    <message>
        <source>The write stopped at %1: %2</source>
        <translation>写入在 %1 处停止：%2</translation>
    </message>
    <message>
        <source>a group</source>
        <translation>某一组</translation>
    </message>
    <message>
        <source>&amp;Differences only</source>
        <translation>仅显示差异(&amp;D)</translation>
    </message>
</context>
<context>
    <name>Messages</name>
    <message>
        <source>The serial port was lost (unplugged?). It has been closed.</source>
        <translation>串口已丢失（被拔出？），已关闭。</translation>
    </message>
    <message>
        <source>connection time out!</source>
        <translation>连接超时！</translation>
    </message>
    <message>
        <source>parameter query timeout!</source>
        <translation>参数查询超时！</translation>
    </message>
    <message>
        <source>Please choose a baud rate above 0 for &quot;baud:&quot;.</source>
        <translation>请为“波特率：”选择大于 0 的波特率。</translation>
    </message>
    <message>
        <source>Input data without spaces</source>
        <translation>输入数据不能含空格</translation>
    </message>
    <message>
        <source>There are illegal characters, please re-enter!</source>
        <translation>含有非法字符，请重新输入！</translation>
    </message>
</context>
<context>
    <name>MonitorDock</name>
    <message>
        <source>Monitor</source>
        <translation>监视</translation>
    </message>
    <message>
        <source>Stopped.</source>
        <translation>已停止。</translation>
    </message>
    <message>
        <source>value</source>
        <translation>值</translation>
    </message>
    <message>
        <source>last</source>
        <translation>最新</translation>
    </message>
    <message>
        <source>minimum</source>
        <translation>最小</translation>
    </message>
    <message>
        <source>maximum</source>
        <translation>最大</translation>
    </message>
    <message>
        <source>time (s)</source>
        <translation>时间 (秒)</translation>
    </message>
    <message>
        <source>failed reads: 0</source>
        <translation>读取失败：0</translation>
    </message>
    <message>
        <source>HART command 3</source>
        <translation>HART 命令 3</translation>
    </message>
    <message>
        <source>MODBUS registers</source>
        <translation>MODBUS 寄存器</translation>
    </message>
    <message>
        <source>poll address:</source>
        <translation>轮询地址：</translation>
    </message>
    <message>
        <source>slave:</source>
        <translation>从站：</translation>
    </message>
    <message>
        <source>start:</source>
        <translation>起始：</translation>
    </message>
    <message>
        <source>registers:</source>
        <translation>寄存器数：</translation>
    </message>
    <message>
        <source>type:</source>
        <translation>类型：</translation>
    </message>
    <message>
        <source>order:</source>
        <translation>字节序：</translation>
    </message>
    <message>
        <source>every:</source>
        <translation>间隔：</translation>
    </message>
    <message>
        <source> ms</source>
        <translation> ms</translation>
    </message>
    <message>
        <source>continuous</source>
        <translation>连续</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>开始</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Record to CSV...</source>
        <translation>记录为 CSV...</translation>
    </message>
    <message>
        <source>The monitor cannot open %1: %2</source>
        <translation>监视无法打开 %1：%2</translation>
    </message>
    <message>
        <source>Reading %1 at %2 baud. The pages&apos; requests are paused until Stop.</source>
        <translation>正在以 %2 波特率读取 %1。各页面的请求已暂停，直到停止。</translation>
    </message>
    <message>
        <source>Stopping...</source>
        <translation>正在停止...</translation>
    </message>
    <message>
        <source>Stopped after %1 reads; the port is back with the pages.</source>
        <translation>读取 %1 次后已停止；串口已交还给各页面。</translation>
    </message>
    <message>
        <source>Stopped: %1.</source>
        <translation>已停止：%1。</translation>
    </message>
    <message>
        <source>failed reads: %1</source>
        <translation>读取失败：%1</translation>
    </message>
    <message>
        <source>failed reads: %1 (last: %2)</source>
        <translation>读取失败：%1（最近一次：%2）</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
    <message>
        <source>Recording stopped: %1</source>
        <translation>记录已停止：%1</translation>
    </message>
    <message>
        <source>The recording to %1 stopped: %2</source>
        <translation>到 %1 的记录已停止：%2</translation>
    </message>
    <message>
        <source>Record the monitor to</source>
        <translation>将监视记录到</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV 文件 (*.csv)</translation>
    </message>
    <message>
        <source>Recording to %1</source>
        <translation>正在记录到 %1</translation>
    </message>
    <message>
        <source>Recording to %1; click to stop.</source>
        <translation>正在记录到 %1；点击停止。</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>TALMIRE profiles (*.json);;All files (*)</source>
        <translation>TALMIRE 配置文件 (*.json);;所有文件 (*)</translation>
    </message>
    <message>
        <source>(not held)</source>
        <translation>（无）</translation>
    </message>
</context>
<context>
    <name>RegisterDock</name>
    <message>
        <source>MODBUS values</source>
        <translation>MODBUS 数值</translation>
    </message>
    <message>
        <source>type:</source>
        <translation>类型：</translation>
    </message>
    <message>
        <source>byte order:</source>
        <translation>字节序：</translation>
    </message>
    <message>
        <source>Values of the next MODBUS read test appear here.</source>
        <translation>下一次 MODBUS 读取测试的数值将显示在这里。</translation>
    </message>
    <message>
        <source>address</source>
        <translation>地址</translation>
    </message>
    <message>
        <source>raw hex</source>
        <translation>原始 HEX</translation>
    </message>
    <message>
        <source>value</source>
        <translation>值</translation>
    </message>
    <message>
        <source>calculator hex:</source>
        <translation>计算器 HEX：</translation>
    </message>
    <message>
        <source>float in this byte order:</source>
        <translation>按此字节序的浮点数：</translation>
    </message>
    <message numerus="yes">
        <source>%n value(s) of the last read test.</source>
        <translation>
            <numerusform>上次读取测试的 %n 个数值。</numerusform>
        </translation>
    </message>
    <message>
        <source>The last read test&apos;s answer holds no values: %1.</source>
        <translation>上次读取测试的应答不含数值：%1。</translation>
    </message>
</context>
<context>
    <name>ScanDialog</name>
    <message>
        <source>Find module on %1</source>
        <translation>在 %1 上查找模块</translation>
    </message>
    <message>
        <source>Scan HART addresses on %1</source>
        <translation>在 %1 上扫描 HART 地址</translation>
    </message>
    <message>
        <source>Scan MODBUS slaves on %1</source>
        <translation>在 %1 上扫描 MODBUS 从站</translation>
    </message>
    <message>
        <source>&amp;Fast</source>
        <translation>快速(&amp;F)</translation>
    </message>
    <message>
        <source>Once an address answers, wait a few times its turnaround at each further one instead of the full time-out; every address found is asked again with the full time-out.</source>
        <translation>一旦某个地址应答，其后每个地址只等待其应答时间的数倍，而不是完整的超时时间；每个找到的地址都会以完整的超时时间再询问一次。</translation>
    </message>
    <message>
        <source>From address:</source>
        <translation>起始地址：</translation>
    </message>
    <message>
        <source>to:</source>
        <translation>至：</translation>
    </message>
    <message>
        <source>&amp;Try again</source>
        <translation>重试(&amp;T)</translation>
    </message>
    <message>
        <source>&amp;Scan</source>
        <translation>扫描(&amp;S)</translation>
    </message>
    <message>
        <source>S&amp;top</source>
        <translation>停止(&amp;T)</translation>
    </message>
    <message>
        <source>Double-click an address to put it into the page&apos;s field.</source>
        <translation>双击地址可将其填入页面的相应字段。</translation>
    </message>
    <message>
        <source>Trying %1...</source>
        <translation>正在尝试 %1...</translation>
    </message>
    <message>
        <source>%1 baud, parity %2: %3</source>
        <translation>%1 波特率，校验 %2：%3</translation>
    </message>
    <message>
        <source>the module answers</source>
        <translation>模块有应答</translation>
    </message>
    <message>
        <source>no answer</source>
        <translation>无应答</translation>
    </message>
    <message>
        <source>address %1: manufacturer %2, device type %3, device id %4</source>
        <translation>地址 %1：制造商 %2，设备类型 %3，设备 ID %4</translation>
    </message>
    <message>
        <source>slave %1 answers</source>
        <translation>从站 %1 有应答</translation>
    </message>
    <message>
        <source>The module answers at %1 baud, parity %2</source>
        <translation>模块在 %1 波特率、校验 %2 下应答</translation>
    </message>
    <message>
        <source>%1; the port is open there.</source>
        <translation>%1；串口已按此设置打开。</translation>
    </message>
    <message>
        <source>%1; the port cannot be opened there: %2.</source>
        <translation>%1；串口无法按此设置打开：%2。</translation>
    </message>
    <message>
        <source>The port cannot be opened again: %1.</source>
        <translation>串口无法重新打开：%1。</translation>
    </message>
    <message>
        <source>Stopped.</source>
        <translation>已停止。</translation>
    </message>
    <message>
        <source>The scan stopped: %1</source>
        <translation>扫描已停止：%1</translation>
    </message>
    <message>
        <source>No answer at any speed and parity.</source>
        <translation>任何速率和校验下均无应答。</translation>
    </message>
    <message>
        <source>Nothing answered.</source>
        <translation>无任何应答。</translation>
    </message>
    <message>
        <source>%1 answered.</source>
        <translation>%1 个应答。</translation>
    </message>
    <message>
        <source>address %1: %2</source>
        <translation>地址 %1：%2</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>open</source>
        <translation>打开</translation>
    </message>
    <message>
        <source>set timeout</source>
        <translation>设置超时</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>文件(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Module</source>
        <translation>模块(&amp;M)</translation>
    </message>
    <message>
        <source>&amp;Tools</source>
        <translation>工具(&amp;T)</translation>
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
        <source>&amp;Traffic log</source>
        <translation>通讯记录(&amp;T)</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>退出(&amp;Q)</translation>
    </message>
    <message>
        <source>&amp;About TALMIRE...</source>
        <translation>关于 TALMIRE(&amp;A)...</translation>
    </message>
    <message>
        <source>&lt;h3&gt;TALMIRE Configuration Software&lt;/h3&gt;&lt;p&gt;Version %1, built with Qt %2, running on Qt %3.&lt;/p&gt;&lt;p&gt;Configures and tests the TALMIRE HART to MODBUS RTU module over a serial port: the module&apos;s settings, the HART instrument behind it, a MODBUS read test and an IEEE 754 calculator.&lt;/p&gt;&lt;p&gt;Licence: proprietary; see the copyright file shipped with the package.&lt;/p&gt;</source>
        <translation>&lt;h3&gt;TALMIRE 配置软件&lt;/h3&gt;&lt;p&gt;版本 %1，使用 Qt %2 构建，运行于 Qt %3。&lt;/p&gt;&lt;p&gt;通过串口配置和测试 TALMIRE HART 转 MODBUS RTU 模块：模块参数、其后的 HART 仪表、MODBUS 读取测试以及 IEEE 754 计算器。&lt;/p&gt;&lt;p&gt;许可：专有软件；详见软件包附带的版权文件。&lt;/p&gt;</translation>
    </message>
    <message>
        <source>About TALMIRE</source>
        <translation>关于 TALMIRE</translation>
    </message>
    <message>
        <source>Please choose a baud rate above 0 and a parity (None, Odd or Even) in the port row first.</source>
        <translation>请先在串口参数一栏选择大于 0 的波特率和校验方式（None、Odd 或 Even）。</translation>
    </message>
    <message>
        <source>close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>TALMIRE Configuration Software</source>
        <translation>TALMIRE 配置软件</translation>
    </message>
    <message>
        <source>V1.4(2021-09-13)</source>
        <translation>V1.4(2021-09-13)</translation>
    </message>
    <message>
        <source>www.example.com</source>
        <translation>www.example.com</translation>
    </message>
    <message>
        <source>TEL:+00 000 0000000</source>
        <translation>电话：+00 000 0000000</translation>
    </message>
    <message>
        <source>E-mail:support@example.com</source>
        <translation>邮箱：support@example.com</translation>
    </message>
    <message>
        <source>system parameters</source>
        <translation>系统参数</translation>
    </message>
    <message>
        <source>transparent mode</source>
        <translation>透传模式</translation>
    </message>
    <message>
        <source>MODBUS parameter configuration</source>
        <translation>MODBUS 参数配置</translation>
    </message>
    <message>
        <source>wiring diagram</source>
        <translation>接线图</translation>
    </message>
    <message>
        <source>Instrument Number:</source>
        <translation>仪表编号：</translation>
    </message>
    <message>
        <source>enabled:</source>
        <translation>启用：</translation>
    </message>
    <message>
        <source>HART mode:</source>
        <translation>HART 模式：</translation>
    </message>
    <message>
        <source>Instrument type:</source>
        <translation>仪表类型：</translation>
    </message>
    <message>
        <source>Prefix length:</source>
        <translation>前导码长度：</translation>
    </message>
    <message>
        <source>Clear cache time:</source>
        <translation>清除缓存时间：</translation>
    </message>
    <message>
        <source>S</source>
        <translation>秒</translation>
    </message>
    <message>
        <source>set</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>current (RTU_ADR)</source>
        <translation>电流 (RTU_ADR)</translation>
    </message>
    <message>
        <source>variable_1(RTU_ADR)</source>
        <translation>变量_1(RTU_ADR)</translation>
    </message>
    <message>
        <source>variable_2(RTU_ADR)</source>
        <translation>变量_2(RTU_ADR)</translation>
    </message>
    <message>
        <source>variable_3(RTU_ADR)</source>
        <translation>变量_3(RTU_ADR)</translation>
    </message>
    <message>
        <source>variable_4(RTU_ADR)</source>
        <translation>变量_4(RTU_ADR)</translation>
    </message>
    <message>
        <source>Custom HART commands and parsing methods</source>
        <translation>自定义 HART 命令及解析方式</translation>
    </message>
    <message>
        <source>read instrument command 1:</source>
        <translation>读仪表命令 1：</translation>
    </message>
    <message>
        <source>read instrument command 2:</source>
        <translation>读仪表命令 2：</translation>
    </message>
    <message>
        <source>Customize the HART data parsing format</source>
        <translation>自定义 HART 数据解析格式</translation>
    </message>
    <message>
        <source>instrument command number</source>
        <translation>仪表命令号</translation>
    </message>
    <message>
        <source>data start address</source>
        <translation>数据起始地址</translation>
    </message>
    <message>
        <source>data length</source>
        <translation>数据长度</translation>
    </message>
    <message>
        <source>variable 1:</source>
        <translation>变量 1：</translation>
    </message>
    <message>
        <source>variable 2:</source>
        <translation>变量 2：</translation>
    </message>
    <message>
        <source>variable 3:</source>
        <translation>变量 3：</translation>
    </message>
    <message>
        <source>variable 4:</source>
        <translation>变量 4：</translation>
    </message>
    <message>
        <source>address bits:</source>
        <translation>地址位数：</translation>
    </message>
    <message>
        <source>MODBUS Communication Test</source>
        <translation>MODBUS 通讯测试</translation>
    </message>
    <message>
        <source>MODBUS slave address:</source>
        <translation>MODBUS 从站地址：</translation>
    </message>
    <message>
        <source>data start address:</source>
        <translation>数据起始地址：</translation>
    </message>
    <message>
        <source>data length:</source>
        <translation>数据长度：</translation>
    </message>
    <message>
        <source>Module operating mode</source>
        <translation>模块工作模式</translation>
    </message>
    <message>
        <source>IEE754 Calculation</source>
        <translation>IEEE754 计算</translation>
    </message>
    <message>
        <source>data format HEX(FF FF FF FF):</source>
        <translation>数据格式 HEX(FF FF FF FF)：</translation>
    </message>
    <message>
        <source>conversion value:</source>
        <translation>转换值：</translation>
    </message>
    <message>
        <source>Calculate</source>
        <translation>计算</translation>
    </message>
    <message>
        <source>Variable 1 coefficient</source>
        <translation>变量 1 系数</translation>
    </message>
    <message>
        <source>coefficient：</source>
        <translation>系数：</translation>
    </message>
    <message>
        <source>MODBUS Parameter Query</source>
        <translation>MODBUS 参数查询</translation>
    </message>
    <message>
        <source>HART address:</source>
        <translation>HART 地址：</translation>
    </message>
    <message>
        <source>HART command working mode:</source>
        <translation>HART 命令工作模式：</translation>
    </message>
    <message>
        <source>preamble length:</source>
        <translation>前导码长度：</translation>
    </message>
    <message>
        <source>HART instrument basic parameter</source>
        <translation>HART 仪表基本参数</translation>
    </message>
    <message>
        <source>manufacturing ID:</source>
        <translation>制造商 ID：</translation>
    </message>
    <message>
        <source>sensor type:</source>
        <translation>传感器类型：</translation>
    </message>
    <message>
        <source>preamble byte count:</source>
        <translation>前导码字节数：</translation>
    </message>
    <message>
        <source>sensor serial number:</source>
        <translation>传感器序列号：</translation>
    </message>
    <message>
        <source>HART instrument parameter query</source>
        <translation>HART 仪表参数查询</translation>
    </message>
    <message>
        <source>universal HART real-time data</source>
        <translation>通用 HART 实时数据</translation>
    </message>
    <message>
        <source>current_variable_1:</source>
        <translation>当前变量_1：</translation>
    </message>
    <message>
        <source>unit:</source>
        <translation>单位：</translation>
    </message>
    <message>
        <source>current_variable_2:</source>
        <translation>当前变量_2：</translation>
    </message>
    <message>
        <source>current_variable_3:</source>
        <translation>当前变量_3：</translation>
    </message>
    <message>
        <source>current_variable_4:</source>
        <translation>当前变量_4：</translation>
    </message>
    <message>
        <source>General HART command data query</source>
        <translation>通用 HART 命令数据查询</translation>
    </message>
    <message>
        <source>HART address configuration</source>
        <translation>HART 地址配置</translation>
    </message>
    <message>
        <source>HEX  (76 89 FD AD)</source>
        <translation>HEX  (76 89 FD AD)</translation>
    </message>
    <message>
        <source>Manual HART commands:</source>
        <translation>手动 HART 命令：</translation>
    </message>
    <message>
        <source>send</source>
        <translation>发送</translation>
    </message>
    <message>
        <source>(auto generate checksum)</source>
        <translation>（自动生成校验和）</translation>
    </message>
    <message>
        <source>serial parameters</source>
        <translation>串口参数</translation>
    </message>
    <message>
        <source>serial port:</source>
        <translation>串口：</translation>
    </message>
    <message>
        <source>baud:</source>
        <translation>波特率：</translation>
    </message>
    <message>
        <source>parity:</source>
        <translation>校验：</translation>
    </message>
    <message>
        <source>communication query</source>
        <translation>通讯查询</translation>
    </message>
    <message>
        <source>communication interface type:</source>
        <translation>通讯接口类型：</translation>
    </message>
    <message>
        <source>RS232 Communication Parameter Settings</source>
        <translation>RS232 通讯参数设置</translation>
    </message>
    <message>
        <source>RS485 Communication Parameter Settings</source>
        <translation>RS485 通讯参数设置</translation>
    </message>
    <message>
        <source>instrument communication interval:</source>
        <translation>仪表通讯间隔：</translation>
    </message>
    <message>
        <source> *10 ms</source>
        <translation> *10 ms</translation>
    </message>
    <message>
        <source>Module operating mode:</source>
        <translation>模块工作模式：</translation>
    </message>
    <message>
        <source>MODBUS Slave Address:</source>
        <translation>MODBUS 从站地址：</translation>
    </message>
    <message>
        <source>check the box when using USB to RS232 interface+RS232 interface to RS485 interface</source>
        <translation>使用 USB 转 RS232 接口+RS232 转 RS485 接口时请勾选</translation>
    </message>
    <message>
        <source>COM_RTS</source>
        <translation>COM_RTS</translation>
    </message>
    <message>
        <source>COM_DTR</source>
        <translation>COM_DTR</translation>
    </message>
    <message>
        <source>Display Parameter Configuration</source>
        <translation>显示参数配置</translation>
    </message>
    <message>
        <source>the left four digits of the upper row:</source>
        <translation>上排左四位：</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>the right four digits of the upper row:</source>
        <translation>上排右四位：</translation>
    </message>
    <message>
        <source>the left four digits of the lower row:</source>
        <translation>下排左四位：</translation>
    </message>
    <message>
        <source>the right four digits of the lower row:</source>
        <translation>下排右四位：</translation>
    </message>
    <message>
        <source>Digital tube testing 1</source>
        <translation>数码管测试 1</translation>
    </message>
    <message>
        <source>Digital tube testing 2</source>
        <translation>数码管测试 2</translation>
    </message>
    <message>
        <source>Parameter initialization</source>
        <translation>参数初始化</translation>
    </message>
    <message>
        <source>System Parameters</source>
        <translation>系统参数</translation>
    </message>
    <message>
        <source>send buffer:</source>
        <translation>发送缓冲区：</translation>
    </message>
    <message>
        <source>Receive Buffer:</source>
        <translation>接收缓冲区：</translation>
    </message>
    <message>
        <source>clear buffer</source>
        <translation>清空缓冲区</translation>
    </message>
    <message>
        <source>the monitor</source>
        <translation>监视</translation>
    </message>
    <message>
        <source>&amp;Monitor</source>
        <translation>监视(&amp;M)</translation>
    </message>
    <message>
        <source>MODBUS &amp;values</source>
        <translation>MODBUS 数值(&amp;V)</translation>
    </message>
    <message>
        <source>&amp;Read whole configuration</source>
        <translation>读取全部配置(&amp;R)</translation>
    </message>
    <message>
        <source>&amp;Compare with module...</source>
        <translation>与模块比较(&amp;C)...</translation>
    </message>
    <message>
        <source>&amp;Write profile...</source>
        <translation>写入配置文件(&amp;W)...</translation>
    </message>
    <message>
        <source>&amp;Open profile...</source>
        <translation>打开配置文件(&amp;O)...</translation>
    </message>
    <message>
        <source>&amp;Save profile...</source>
        <translation>保存配置文件(&amp;S)...</translation>
    </message>
    <message>
        <source>&amp;Find module...</source>
        <translation>查找模块(&amp;F)...</translation>
    </message>
    <message>
        <source>Scan &amp;HART addresses...</source>
        <translation>扫描 HART 地址(&amp;H)...</translation>
    </message>
    <message>
        <source>Scan &amp;MODBUS slaves...</source>
        <translation>扫描 MODBUS 从站(&amp;M)...</translation>
    </message>
    <message>
        <source>Shows the module beside the opened profile; the ticked differences are written from there.</source>
        <translation>将模块与已打开的配置文件并列显示；勾选的差异将从此处写入。</translation>
    </message>
    <message>
        <source>The port is in use by %1; the pages wait until it is given back.</source>
        <translation>串口正被%1使用；各页面将等待其交还。</translation>
    </message>
    <message>
        <source>%1; waiting for it to come back</source>
        <translation>%1；正在等待其重新出现</translation>
    </message>
    <message>
        <source>The port is in use by %1. Stop it, or wait until it gives the port back.</source>
        <translation>串口正被%1使用。请先停止它，或等待其交还串口。</translation>
    </message>
    <message>
        <source>%1 cannot be opened: %2</source>
        <translation>%1 无法打开：%2</translation>
    </message>
    <message>
        <source>%1 was lost at %2</source>
        <translation>%1 于 %2 丢失</translation>
    </message>
    <message>
        <source>reconnected to %1 at %2</source>
        <translation>已于 %2 重新连接到 %1</translation>
    </message>
    <message>
        <source>line errors: check speed and parity</source>
        <translation>线路错误：请检查波特率和校验</translation>
    </message>
    <message>
        <source>port closed</source>
        <translation>端口已关闭</translation>
    </message>
    <message>
        <source>round trip %1 ms</source>
        <translation>往返 %1 ms</translation>
    </message>
    <message>
        <source>last answer %1 s ago</source>
        <translation>上次应答于 %1 秒前</translation>
    </message>
    <message>
        <source>no answer yet</source>
        <translation>尚无应答</translation>
    </message>
    <message>
        <source>port in use by %1</source>
        <translation>端口正被%1使用</translation>
    </message>
</context>
<context>
    <name>TrafficDock</name>
    <message>
        <source>Traffic</source>
        <translation>通讯记录</translation>
    </message>
    <message>
        <source>Save log...</source>
        <translation>保存记录...</translation>
    </message>
    <message>
        <source>Record to file...</source>
        <translation>记录到文件...</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>复制</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>清除</translation>
    </message>
    <message>
        <source>Time since previous row</source>
        <translation>距上一行的时间</translation>
    </message>
    <message>
        <source>Recording stopped: %1</source>
        <translation>记录已停止：%1</translation>
    </message>
    <message>
        <source>The log could not be saved: %1</source>
        <translation>无法保存记录：%1</translation>
    </message>
    <message>
        <source>Recording could not start: %1</source>
        <translation>无法开始记录：%1</translation>
    </message>
    <message>
        <source>Save log</source>
        <translation>保存记录</translation>
    </message>
    <message>
        <source>Text (*.txt);;CSV (*.csv)</source>
        <translation>文本 (*.txt);;CSV (*.csv)</translation>
    </message>
    <message>
        <source>Record to file</source>
        <translation>记录到文件</translation>
    </message>
    <message>
        <source>  %1 older rows discarded</source>
        <translation>  已丢弃 %1 行较早的记录</translation>
    </message>
</context>
<context>
    <name>TrafficLogModel</name>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Dir</source>
        <translation>方向</translation>
    </message>
    <message>
        <source>Bytes</source>
        <translation>字节</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>文本</translation>
    </message>
    <message>
        <source>Meaning</source>
        <translation>含义</translation>
    </message>
    <message>
        <source>Round trip (ms)</source>
        <translation>往返 (ms)</translation>
    </message>
</context>
<context>
    <name>SettingCaptions</name>
    <message>
        <source>communication interface type</source>
        <translation>通讯接口类型</translation>
    </message>
    <message>
        <source>communication interface type: instruments</source>
        <translation>通讯接口类型：仪表数</translation>
    </message>
    <message>
        <source>Display Parameter Configuration %1: value</source>
        <translation>显示参数配置 %1：数值</translation>
    </message>
    <message>
        <source>Display Parameter Configuration %1: format</source>
        <translation>显示参数配置 %1：格式</translation>
    </message>
    <message>
        <source>Module operating mode</source>
        <translation>模块工作模式</translation>
    </message>
    <message>
        <source>MODBUS Slave Address</source>
        <translation>MODBUS 从站地址</translation>
    </message>
    <message>
        <source>instrument communication interval</source>
        <translation>仪表通讯间隔</translation>
    </message>
    <message>
        <source>Variable 1 coefficient</source>
        <translation>变量 1 系数</translation>
    </message>
    <message>
        <source>Variable 1 coefficient: value</source>
        <translation>变量 1 系数：数值</translation>
    </message>
    <message>
        <source>RS232 Communication Parameter Settings: baud</source>
        <translation>RS232 通讯参数设置：波特率</translation>
    </message>
    <message>
        <source>RS232 Communication Parameter Settings: parity</source>
        <translation>RS232 通讯参数设置：校验</translation>
    </message>
    <message>
        <source>RS485 Communication Parameter Settings: baud</source>
        <translation>RS485 通讯参数设置：波特率</translation>
    </message>
    <message>
        <source>RS485 Communication Parameter Settings: parity</source>
        <translation>RS485 通讯参数设置：校验</translation>
    </message>
    <message>
        <source>enabled</source>
        <translation>启用</translation>
    </message>
    <message>
        <source>HART mode</source>
        <translation>HART 模式</translation>
    </message>
    <message>
        <source>Instrument type</source>
        <translation>仪表类型</translation>
    </message>
    <message>
        <source>Prefix length</source>
        <translation>前导码长度</translation>
    </message>
    <message>
        <source>Clear cache time</source>
        <translation>清除缓存时间</translation>
    </message>
    <message>
        <source>current (RTU_ADR)</source>
        <translation>电流 (RTU_ADR)</translation>
    </message>
    <message>
        <source>variable_%1(RTU_ADR)</source>
        <translation>变量_%1(RTU_ADR)</translation>
    </message>
    <message>
        <source>address bits</source>
        <translation>地址位数</translation>
    </message>
    <message>
        <source>variable %1: instrument command number</source>
        <translation>变量 %1：仪表命令号</translation>
    </message>
    <message>
        <source>variable %1: data start address</source>
        <translation>变量 %1：数据起始地址</translation>
    </message>
    <message>
        <source>variable %1: data length</source>
        <translation>变量 %1：数据长度</translation>
    </message>
    <message>
        <source>read instrument command %1</source>
        <translation>读仪表命令 %1</translation>
    </message>
    <message>
        <source>read instrument command %1: bytes</source>
        <translation>读仪表命令 %1：字节</translation>
    </message>
    <message>
        <source>Instrument %1: %2</source>
        <translation>仪表 %1：%2</translation>
    </message>
</context>
</TS>
