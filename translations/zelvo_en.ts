<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ja_JP">
<context>
    <name>BrowseFolderDlg</name>
    <message>
        <source>フォルダの参照</source>
        <translation>Browse for Folder</translation>
    </message>
    <message>
        <source>フォルダを選択してください。</source>
        <translation>Select a folder.</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>ColorComboBox</name>
    <message>
        <source>黒</source>
        <translation>Black</translation>
    </message>
    <message>
        <source>栗色</source>
        <translation>Maroon</translation>
    </message>
    <message>
        <source>緑</source>
        <translation>Green</translation>
    </message>
    <message>
        <source>オリーブ</source>
        <translation>Olive</translation>
    </message>
    <message>
        <source>紺</source>
        <translation>Navy</translation>
    </message>
    <message>
        <source>紫</source>
        <translation>Purple</translation>
    </message>
    <message>
        <source>青緑</source>
        <translation>Teal</translation>
    </message>
    <message>
        <source>灰色</source>
        <translation>Gray</translation>
    </message>
    <message>
        <source>銀</source>
        <translation>Silver</translation>
    </message>
    <message>
        <source>赤</source>
        <translation>Red</translation>
    </message>
    <message>
        <source>ライム</source>
        <translation>Lime</translation>
    </message>
    <message>
        <source>黄</source>
        <translation>Yellow</translation>
    </message>
    <message>
        <source>青</source>
        <translation>Blue</translation>
    </message>
    <message>
        <source>赤紫</source>
        <translation>Fuchsia</translation>
    </message>
    <message>
        <source>水色</source>
        <translation>Aqua</translation>
    </message>
    <message>
        <source>白</source>
        <translation>White</translation>
    </message>
    <message>
        <source>その他...</source>
        <translation>Other...</translation>
    </message>
</context>
<context>
    <name>Commands</name>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>新規作成(&amp;N)...</source>
        <translation>&amp;New...</translation>
    </message>
    <message>
        <source>開く(&amp;O)...</source>
        <translation>&amp;Open...</translation>
    </message>
    <message>
        <source>読み込み直す(&amp;R)</source>
        <translation>&amp;Reload</translation>
    </message>
    <message>
        <source>上書き保存(&amp;S)</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>名前を付けて保存(&amp;A)</source>
        <translation>Save &amp;As</translation>
    </message>
    <message>
        <source>壁紙として保存(&amp;W)</source>
        <translation>Save as &amp;Wallpaper</translation>
    </message>
    <message>
        <source>中央に表示(&amp;C)</source>
        <translation>&amp;Centered</translation>
    </message>
    <message>
        <source>並べて表示(&amp;T)</source>
        <translation>&amp;Tiled</translation>
    </message>
    <message>
        <source>壁紙を解除する(&amp;R)</source>
        <translation>&amp;Remove Wallpaper</translation>
    </message>
    <message>
        <source>プリンタの設定(&amp;E)...</source>
        <translation>Print S&amp;etup...</translation>
    </message>
    <message>
        <source>印刷(&amp;P)</source>
        <translation>&amp;Print</translation>
    </message>
    <message>
        <source>TWAIN機器の選択(&amp;U)..</source>
        <translation>Select TWAIN So&amp;urce..</translation>
    </message>
    <message>
        <source>TWAIN機器からの入力(&amp;Q)...</source>
        <translation>Ac&amp;quire from TWAIN Source...</translation>
    </message>
    <message>
        <source>サムネイル表示(&amp;T)</source>
        <translation>&amp;Thumbnails</translation>
    </message>
    <message>
        <source>一括変換(&amp;B)...</source>
        <translation>&amp;Batch Conversion...</translation>
    </message>
    <message>
        <source>スライドショー(&amp;W)...</source>
        <translation>Sli&amp;de Show...</translation>
    </message>
    <message>
        <source>アプリケーションの終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>編集(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>元に戻す(&amp;U)</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <source>やり直し(&amp;R)</source>
        <translation>&amp;Redo</translation>
    </message>
    <message>
        <source>コピー(&amp;C)</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>貼り付け(&amp;P)</source>
        <translation>&amp;Paste</translation>
    </message>
    <message>
        <source>合成貼り付け(&amp;S)</source>
        <translation>Merge Pa&amp;ste</translation>
    </message>
    <message>
        <source>切り取り(&amp;X)</source>
        <translation>Cu&amp;t</translation>
    </message>
    <message>
        <source>消去(&amp;D)</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>全選択／選択解除(&amp;A)</source>
        <translation>Select &amp;All / None</translation>
    </message>
    <message>
        <source>文字入れ(&amp;O)...</source>
        <translation>Add Te&amp;xt...</translation>
    </message>
    <message>
        <source>合成(&amp;M)...</source>
        <translation>&amp;Merge...</translation>
    </message>
    <message>
        <source>連結(&amp;G)...</source>
        <translation>Combi&amp;ne...</translation>
    </message>
    <message>
        <source>キャプチャ(&amp;T)</source>
        <translation>Captur&amp;e</translation>
    </message>
    <message>
        <source>デスクトップ全体(&amp;D)</source>
        <translation>Whole &amp;Desktop</translation>
    </message>
    <message>
        <source>アクティブウィンドウ(&amp;A)</source>
        <translation>&amp;Active Window</translation>
    </message>
    <message>
        <source>アクティブウィンドウのクライアント領域(&amp;C)</source>
        <translation>Active Window &amp;Contents</translation>
    </message>
    <message>
        <source>アンドゥバッファのクリア(&amp;E)</source>
        <translation>Clear Undo &amp;History</translation>
    </message>
    <message>
        <source>クリップボードのクリア(&amp;A)</source>
        <translation>Clear Clip&amp;board</translation>
    </message>
    <message>
        <source>原寸表示</source>
        <translation>Actual Size</translation>
    </message>
    <message>
        <source>ウィンドウにあわせる</source>
        <translation>Fit to Window</translation>
    </message>
    <message>
        <source>再表示</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>ズーム(&amp;Z)...</source>
        <translation>&amp;Zoom...</translation>
    </message>
    <message>
        <source>ツールバー(&amp;T)</source>
        <translation>&amp;Toolbars</translation>
    </message>
    <message>
        <source>ステータスバー(&amp;S)</source>
        <translation>&amp;Status Bar</translation>
    </message>
    <message>
        <source>ヒストグラム(&amp;H)</source>
        <translation>&amp;Histogram</translation>
    </message>
    <message>
        <source>イコライズ(&amp;E)</source>
        <translation>&amp;Equalize</translation>
    </message>
    <message>
        <source>ノーマライズ(&amp;N)</source>
        <translation>&amp;Normalize</translation>
    </message>
    <message>
        <source>ヒストグラム表示(&amp;H)...</source>
        <translation>Show &amp;Histogram...</translation>
    </message>
    <message>
        <source>背景色(&amp;B)...</source>
        <translation>&amp;Background Color...</translation>
    </message>
    <message>
        <source>イメージ(&amp;I)</source>
        <translation>&amp;Image</translation>
    </message>
    <message>
        <source>リサイズ(&amp;S)...</source>
        <translation>Re&amp;size...</translation>
    </message>
    <message>
        <source>切り抜き(&amp;T)</source>
        <translation>&amp;Crop</translation>
    </message>
    <message>
        <source>座標指定切り取り(&amp;U)</source>
        <translation>Crop by Coor&amp;dinates</translation>
    </message>
    <message>
        <source>左へ90度回転(&amp;L)</source>
        <translation>Rotate &amp;Left 90°</translation>
    </message>
    <message>
        <source>右へ90度回転(&amp;R)</source>
        <translation>Rotate &amp;Right 90°</translation>
    </message>
    <message>
        <source>任意角度回転(&amp;A)...</source>
        <translation>Rotate by &amp;Angle...</translation>
    </message>
    <message>
        <source>ミラー(&amp;M)</source>
        <translation>&amp;Mirror</translation>
    </message>
    <message>
        <source>フリップ(&amp;F)</source>
        <translation>&amp;Flip</translation>
    </message>
    <message>
        <source>シフト(&amp;H)...</source>
        <translation>S&amp;hift...</translation>
    </message>
    <message>
        <source>余白作成(&amp;W)...</source>
        <translation>Add Mar&amp;gins...</translation>
    </message>
    <message>
        <source>テクスチャ(&amp;X)...</source>
        <translation>Te&amp;xture...</translation>
    </message>
    <message>
        <source>ノイズ除去(&amp;Y)...</source>
        <translation>Noise Red&amp;uction...</translation>
    </message>
    <message>
        <source>濃度抽出(&amp;Z)</source>
        <translation>Ran&amp;k Filter</translation>
    </message>
    <message>
        <source>最小濃度抽出(&amp;S)</source>
        <translation>&amp;Minimum</translation>
    </message>
    <message>
        <source>中間濃度抽出(&amp;M)</source>
        <translation>M&amp;edian</translation>
    </message>
    <message>
        <source>最大濃度抽出(&amp;L)</source>
        <translation>Ma&amp;ximum</translation>
    </message>
    <message>
        <source>インターレース/プログレッシブ(&amp;I)</source>
        <translation>&amp;Interlaced / Progressive</translation>
    </message>
    <message>
        <source>透過色設定(&amp;G)</source>
        <translation>&amp;Transparent Color</translation>
    </message>
    <message>
        <source>JPEG品質(&amp;Q)...</source>
        <translation>JPEG &amp;Quality...</translation>
    </message>
    <message>
        <source>カラー(&amp;C)</source>
        <translation>&amp;Color</translation>
    </message>
    <message>
        <source>グレースケール変換(&amp;G)</source>
        <translation>&amp;Grayscale</translation>
    </message>
    <message>
        <source>セピア色変換(&amp;P)</source>
        <translation>Se&amp;pia</translation>
    </message>
    <message>
        <source>ネガポジ反転(&amp;N)</source>
        <translation>&amp;Negative</translation>
    </message>
    <message>
        <source>単色カラースケール(&amp;U)...</source>
        <translation>Single-Color Sc&amp;ale...</translation>
    </message>
    <message>
        <source>明るさ(&amp;B)...</source>
        <translation>&amp;Brightness...</translation>
    </message>
    <message>
        <source>コントラスト(&amp;C)...</source>
        <translation>&amp;Contrast...</translation>
    </message>
    <message>
        <source>RGBの度合い(&amp;R)...</source>
        <translation>&amp;RGB Balance...</translation>
    </message>
    <message>
        <source>ポスタライズ(&amp;T)...</source>
        <translation>Pos&amp;terize...</translation>
    </message>
    <message>
        <source>ソラリゼーション(&amp;L)...</source>
        <translation>So&amp;larize...</translation>
    </message>
    <message>
        <source>ガンマ補正(&amp;M)...</source>
        <translation>Ga&amp;mma Correction...</translation>
    </message>
    <message>
        <source>HSVカラー調整(&amp;H)...</source>
        <translation>&amp;HSV Adjustment...</translation>
    </message>
    <message>
        <source>２階調化(&amp;W)...</source>
        <translation>T&amp;wo-Tone...</translation>
    </message>
    <message>
        <source>RGB交換(&amp;S)</source>
        <translation>&amp;Swap RGB</translation>
    </message>
    <message>
        <source>XORカラー変換(&amp;X)</source>
        <translation>&amp;XOR Colors</translation>
    </message>
    <message>
        <source>グラデーション(&amp;Q)...</source>
        <translation>Gradi&amp;ent...</translation>
    </message>
    <message>
        <source>使用色数計算(&amp;D)</source>
        <translation>Count &amp;Used Colors</translation>
    </message>
    <message>
        <source>色解像度の変更(&amp;F)...</source>
        <translation>Color &amp;Depth...</translation>
    </message>
    <message>
        <source>加工(&amp;T)</source>
        <translation>Effec&amp;ts</translation>
    </message>
    <message>
        <source>ソフトにする(&amp;M)</source>
        <translation>&amp;Soften</translation>
    </message>
    <message>
        <source>シャープにする(&amp;S)...</source>
        <translation>S&amp;harpen...</translation>
    </message>
    <message>
        <source>エンボス(&amp;B)...</source>
        <translation>&amp;Emboss...</translation>
    </message>
    <message>
        <source>エッジの強調(&amp;H)...</source>
        <translation>Enh&amp;ance Edges...</translation>
    </message>
    <message>
        <source>エッジを抽出(&amp;E)...</source>
        <translation>Fin&amp;d Edges...</translation>
    </message>
    <message>
        <source>ガウスぼかし(&amp;G)...</source>
        <translation>&amp;Gaussian Blur...</translation>
    </message>
    <message>
        <source>ぶれ(&amp;O)...</source>
        <translation>&amp;Motion Blur...</translation>
    </message>
    <message>
        <source>立体枠をつける(&amp;P)...</source>
        <translation>&amp;3D Frame...</translation>
    </message>
    <message>
        <source>拡散(&amp;D)...</source>
        <translation>Diff&amp;use...</translation>
    </message>
    <message>
        <source>ノイズ付加(&amp;N)...</source>
        <translation>Add &amp;Noise...</translation>
    </message>
    <message>
        <source>ウェーブ(&amp;W)...</source>
        <translation>&amp;Wave...</translation>
    </message>
    <message>
        <source>モザイク(&amp;I)...</source>
        <translation>Mosai&amp;c...</translation>
    </message>
    <message>
        <source>ブロック(&amp;K)...</source>
        <translation>&amp;Blocks...</translation>
    </message>
    <message>
        <source>フェードアウト(&amp;F)...</source>
        <translation>&amp;Fade Out...</translation>
    </message>
    <message>
        <source>ガラス処理(&amp;V)...</source>
        <translation>G&amp;lass...</translation>
    </message>
    <message>
        <source>鉛筆画(&amp;X)...</source>
        <translation>Pencil S&amp;ketch...</translation>
    </message>
    <message>
        <source>オイルペイント(&amp;Y)...</source>
        <translation>&amp;Oil Paint...</translation>
    </message>
    <message>
        <source>渦巻き(&amp;Z)...</source>
        <translation>Vorte&amp;x...</translation>
    </message>
    <message>
        <source>パンチ(&amp;J)...</source>
        <translation>&amp;Punch...</translation>
    </message>
    <message>
        <source>つまむ(&amp;L)...</source>
        <translation>P&amp;inch...</translation>
    </message>
    <message>
        <source>スポットライト(&amp;U)...</source>
        <translation>Spo&amp;tlight...</translation>
    </message>
    <message>
        <source>ブラインド(&amp;T)...</source>
        <translation>&amp;Venetian Blinds...</translation>
    </message>
    <message>
        <source>カスタムフィルタ(&amp;C)...</source>
        <translation>Custom Filte&amp;r...</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>トピックの検索(&amp;H)</source>
        <translation>&amp;Help Topics</translation>
    </message>
    <message>
        <source>ホームページ(&amp;W)</source>
        <translation>&amp;Web Site</translation>
    </message>
    <message>
        <source>製品の更新(&amp;U)</source>
        <translation>Check for &amp;Updates</translation>
    </message>
    <message>
        <source>バージョン情報(&amp;V)...</source>
        <translation>&amp;About Zelvo...</translation>
    </message>
    <message>
        <source>フルカラー(24bit)</source>
        <translation>Full color (24-bit)</translation>
    </message>
    <message>
        <source>256色(8bit)</source>
        <translation>256 colors (8-bit)</translation>
    </message>
    <message>
        <source>16色(4bit)</source>
        <translation>16 colors (4-bit)</translation>
    </message>
    <message>
        <source>2色(1bit)</source>
        <translation>2 colors (1-bit)</translation>
    </message>
    <message>
        <source>2色(ハーフトーン)</source>
        <translation>2 colors (halftone)</translation>
    </message>
    <message>
        <source>中止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>前の画像</source>
        <translation>Previous Picture</translation>
    </message>
    <message>
        <source>次の画像</source>
        <translation>Next Picture</translation>
    </message>
    <message>
        <source>WebP保存設定...</source>
        <translation>WebP Options...</translation>
    </message>
    <message>
        <source>TIFF保存設定...</source>
        <translation>TIFF Options...</translation>
    </message>
    <message>
        <source>AVIF保存設定...</source>
        <translation>AVIF Options...</translation>
    </message>
    <message>
        <source>HEIC保存設定...</source>
        <translation>HEIC Options...</translation>
    </message>
    <message>
        <source>JPEG XL保存設定...</source>
        <translation>JPEG XL Options...</translation>
    </message>
</context>
<context>
    <name>DialogParts</name>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>ヘルプ</source>
        <translation>Help</translation>
    </message>
</context>
<context>
    <name>EffectTypes</name>
    <message>
        <source>レベル：</source>
        <translation>Level:</translation>
    </message>
    <message>
        <source>明るさ</source>
        <translation>Brightness</translation>
    </message>
    <message>
        <source>明るさの設定：</source>
        <translation>Brightness:</translation>
    </message>
    <message>
        <source>コントラスト</source>
        <translation>Contrast</translation>
    </message>
    <message>
        <source>コントラストの設定：</source>
        <translation>Contrast:</translation>
    </message>
    <message>
        <source>ガンマ補正</source>
        <translation>Gamma Correction</translation>
    </message>
    <message>
        <source>ガンマ値の設定：</source>
        <translation>Gamma:</translation>
    </message>
    <message>
        <source>RGBの度合い</source>
        <translation>RGB Balance</translation>
    </message>
    <message>
        <source>赤色の度合い</source>
        <translation>Red</translation>
    </message>
    <message>
        <source>緑色の度合い</source>
        <translation>Green</translation>
    </message>
    <message>
        <source>青色の度合い</source>
        <translation>Blue</translation>
    </message>
    <message>
        <source>色相・彩度・明度(HSV)</source>
        <translation>Hue, Saturation, Value (HSV)</translation>
    </message>
    <message>
        <source>色相(&amp;H)</source>
        <translation>&amp;Hue</translation>
    </message>
    <message>
        <source>彩度(&amp;S)</source>
        <translation>&amp;Saturation</translation>
    </message>
    <message>
        <source>明度(&amp;V)</source>
        <translation>&amp;Value</translation>
    </message>
    <message>
        <source>２階調化</source>
        <translation>Two-Tone</translation>
    </message>
    <message>
        <source>境界のしきい値(1～255)</source>
        <translation>Threshold (1–255)</translation>
    </message>
    <message>
        <source>任意角度回転</source>
        <translation>Rotate by Angle</translation>
    </message>
    <message>
        <source>回転角度：</source>
        <translation>Angle:</translation>
    </message>
    <message>
        <source>ポスタライズ</source>
        <translation>Posterize</translation>
    </message>
    <message>
        <source>段階数：</source>
        <translation>Levels:</translation>
    </message>
    <message>
        <source>ソラリゼーション</source>
        <translation>Solarize</translation>
    </message>
    <message>
        <source>しきい値：</source>
        <translation>Threshold:</translation>
    </message>
    <message>
        <source>シフト</source>
        <translation>Shift</translation>
    </message>
    <message>
        <source>横軸の移動量：</source>
        <translation>Horizontal:</translation>
    </message>
    <message>
        <source>縦軸の移動量：</source>
        <translation>Vertical:</translation>
    </message>
    <message>
        <source>エンボス</source>
        <translation>Emboss</translation>
    </message>
    <message>
        <source>色つき</source>
        <translation>In color</translation>
    </message>
    <message>
        <source>凹凸反転</source>
        <translation>Invert relief</translation>
    </message>
    <message>
        <source>シャープにする</source>
        <translation>Sharpen</translation>
    </message>
    <message>
        <source>エッジの強調</source>
        <translation>Enhance Edges</translation>
    </message>
    <message>
        <source>エッジを抽出</source>
        <translation>Find Edges</translation>
    </message>
    <message>
        <source>渦巻き</source>
        <translation>Vortex</translation>
    </message>
    <message>
        <source>渦の角度</source>
        <translation>Angle</translation>
    </message>
    <message>
        <source>パンチ</source>
        <translation>Punch</translation>
    </message>
    <message>
        <source>パンチの強さ</source>
        <translation>Strength</translation>
    </message>
    <message>
        <source>つまむ</source>
        <translation>Pinch</translation>
    </message>
    <message>
        <source>つまむ強さ</source>
        <translation>Strength</translation>
    </message>
    <message>
        <source>スポットライト</source>
        <translation>Spotlight</translation>
    </message>
    <message>
        <source>大きさ</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>明るさの減衰レベル</source>
        <translation>Falloff</translation>
    </message>
    <message>
        <source>JPEG品質</source>
        <translation>JPEG Quality</translation>
    </message>
    <message>
        <source>品質(1～100)</source>
        <translation>Quality (1–100)</translation>
    </message>
    <message>
        <source>ノイズ付加</source>
        <translation>Add Noise</translation>
    </message>
    <message>
        <source>ノイズ量(1～255)</source>
        <translation>Amount (1–255)</translation>
    </message>
    <message>
        <source>カラーノイズ</source>
        <translation>Color noise</translation>
    </message>
    <message>
        <source>拡散</source>
        <translation>Diffuse</translation>
    </message>
    <message>
        <source>拡散レベル(1～255)</source>
        <translation>Spread (1–255)</translation>
    </message>
    <message>
        <source>立体枠をつける</source>
        <translation>3D Frame</translation>
    </message>
    <message>
        <source>枠の太さ(1～50)</source>
        <translation>Frame width (1–50)</translation>
    </message>
    <message>
        <source>凹ませる</source>
        <translation>Sunken</translation>
    </message>
    <message>
        <source>スムース</source>
        <translation>Smooth</translation>
    </message>
    <message>
        <source>ぶれ</source>
        <translation>Motion Blur</translation>
    </message>
    <message>
        <source>ぶれの大きさ(1～50)</source>
        <translation>Distance (1–50)</translation>
    </message>
    <message>
        <source>モザイク</source>
        <translation>Mosaic</translation>
    </message>
    <message>
        <source>モザイクの大きさ(2～50)</source>
        <translation>Cell size (2–50)</translation>
    </message>
    <message>
        <source>ウェーブ</source>
        <translation>Wave</translation>
    </message>
    <message>
        <source>大きさ(1～100)</source>
        <translation>Amplitude (1–100)</translation>
    </message>
    <message>
        <source>ガウスぼかし</source>
        <translation>Gaussian Blur</translation>
    </message>
    <message>
        <source>ぼかしのレベル(1～10)</source>
        <translation>Blur level (1–10)</translation>
    </message>
    <message>
        <source>一辺の範囲(2～%1)</source>
        <translation>Edge width (2–%1)</translation>
    </message>
    <message>
        <source>フェードアウト</source>
        <translation>Fade Out</translation>
    </message>
    <message>
        <source>ノイズ除去</source>
        <translation>Noise Reduction</translation>
    </message>
    <message>
        <source>適用の強さ(1～100)</source>
        <translation>Strength (1–100)</translation>
    </message>
    <message>
        <source>ガラス処理</source>
        <translation>Glass</translation>
    </message>
    <message>
        <source>ガラスの処理単位(3～30)</source>
        <translation>Tile size (3–30)</translation>
    </message>
    <message>
        <source>横ガラス処理</source>
        <translation>Horizontal</translation>
    </message>
    <message>
        <source>縦ガラス処理</source>
        <translation>Vertical</translation>
    </message>
    <message>
        <source>オイルペイント</source>
        <translation>Oil Paint</translation>
    </message>
    <message>
        <source>にじみの強さ(1～5)</source>
        <translation>Brush size (1–5)</translation>
    </message>
</context>
<context>
    <name>FileFilters</name>
    <message>
        <source>ビットマップファイル(*.bmp;*.dib)</source>
        <translation>Bitmap files (*.bmp;*.dib)</translation>
    </message>
    <message>
        <source>ビットマップファイル(*.bmp)</source>
        <translation>Bitmap files (*.bmp)</translation>
    </message>
    <message>
        <source>JPEG ファイル (*.jpg;*.jpeg;*.jpe)</source>
        <translation>JPEG files (*.jpg;*.jpeg;*.jpe)</translation>
    </message>
    <message>
        <source>JPEG ファイル(*.jpg)</source>
        <translation>JPEG files (*.jpg)</translation>
    </message>
    <message>
        <source>PNG ファイル(*.png)</source>
        <translation>PNG files (*.png)</translation>
    </message>
    <message>
        <source>アイコン ファイル(*.ico)</source>
        <translation>Icon files (*.ico)</translation>
    </message>
    <message>
        <source>GIF ファイル(*.gif)</source>
        <translation>GIF files (*.gif)</translation>
    </message>
    <message>
        <source>PCD ファイル(*.pcd)</source>
        <translation>PCD files (*.pcd)</translation>
    </message>
    <message>
        <source>全ての画像ファイル</source>
        <translation>All picture files</translation>
    </message>
    <message>
        <source>WebP ファイル(*.webp)</source>
        <translation>WebP files (*.webp)</translation>
    </message>
    <message>
        <source>TIFF ファイル(*.tif)</source>
        <translation>TIFF files (*.tif)</translation>
    </message>
    <message>
        <source>AVIF ファイル(*.avif)</source>
        <translation>AVIF files (*.avif)</translation>
    </message>
    <message>
        <source>HEIC ファイル(*.heic)</source>
        <translation>HEIC files (*.heic)</translation>
    </message>
    <message>
        <source>JPEG XL ファイル(*.jxl)</source>
        <translation>JPEG XL files (*.jxl)</translation>
    </message>
</context>
<context>
    <name>HistogramCommands</name>
    <message>
        <source>この画像は %1 色使用されています。</source>
        <translation>This picture uses %1 colors.</translation>
    </message>
</context>
<context>
    <name>OpenPictureDialog</name>
    <message>
        <source>プレビュー(&amp;P)</source>
        <translation>&amp;Preview</translation>
    </message>
    <message>
        <source>画像ｻｲｽﾞ：	</source>
        <translation>Picture size:	</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙｻｲｽﾞ：	</source>
        <translation>File size:	</translation>
    </message>
    <message>
        <source>最終更新：	</source>
        <translation>Modified:	</translation>
    </message>
</context>
<context>
    <name>ScanDialog</name>
    <message>
        <source>カラー</source>
        <translation>Color</translation>
    </message>
    <message>
        <source>グレースケール</source>
        <translation>Grayscale</translation>
    </message>
    <message>
        <source>白黒</source>
        <translation>Black and white</translation>
    </message>
    <message>
        <source>スキャナからの入力</source>
        <translation>Scan</translation>
    </message>
    <message>
        <source>機器:</source>
        <translation>Device:</translation>
    </message>
    <message>
        <source>読み取り方法(&amp;M):</source>
        <translation>&amp;Mode:</translation>
    </message>
    <message>
        <source>解像度(&amp;R):</source>
        <translation>&amp;Resolution:</translation>
    </message>
    <message>
        <source>スキャン(&amp;S)</source>
        <translation>&amp;Scan</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>ScannerCommands</name>
    <message>
        <source>TWAIN機器からの入力に失敗しました。</source>
        <translation>The picture could not be acquired from the TWAIN source.</translation>
    </message>
</context>
<context>
    <name>SecondPicture</name>
    <message>
        <source>連結する画像ファイル：</source>
        <translation>Picture file to combine:</translation>
    </message>
    <message>
        <source>合成する画像ファイル：</source>
        <translation>Picture file to merge:</translation>
    </message>
    <message>
        <source>クリップボードから入力(&amp;C)</source>
        <translation>From the &amp;clipboard</translation>
    </message>
    <message>
        <source>合成イメージを読み込めません。</source>
        <translation>The picture to merge cannot be read.</translation>
    </message>
    <message>
        <source>クリップボードから合成イメージを読み込めません。</source>
        <translation>The picture to merge cannot be read from the clipboard.</translation>
    </message>
</context>
<context>
    <name>SlideShowRunner</name>
    <message>
        <source>スライドショー - </source>
        <translation>Slide Show - </translation>
    </message>
</context>
<context>
    <name>SourceDialog</name>
    <message>
        <source>入力機器の選択</source>
        <translation>Select Source</translation>
    </message>
    <message>
        <source>選択</source>
        <translation>Select</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>入力機器(&amp;S):</source>
        <translation>&amp;Sources:</translation>
    </message>
</context>
<context>
    <name>TZVAboutBox</name>
    <message>
        <source>バージョン情報</source>
        <translation>About Zelvo</translation>
    </message>
    <message>
        <source>画像の表示・加工ソフトウェア</source>
        <translation>Picture viewer and editor</translation>
    </message>
</context>
<context>
    <name>TZVfrmApplyCancel</name>
    <message>
        <source>複写/移動</source>
        <translation>Copy/Move</translation>
    </message>
    <message>
        <source>移動する</source>
        <translation>Move</translation>
    </message>
    <message>
        <source>位置確定</source>
        <translation>Place</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>合成貼り付け</source>
        <translation>Merge Paste</translation>
    </message>
</context>
<context>
    <name>TZVfrmCombine</name>
    <message>
        <source>連結</source>
        <translation>Combine</translation>
    </message>
    <message>
        <source>連結方向</source>
        <translation>Direction</translation>
    </message>
    <message>
        <source>上へ</source>
        <translation>Above</translation>
    </message>
    <message>
        <source>下へ</source>
        <translation>Below</translation>
    </message>
    <message>
        <source>左へ</source>
        <translation>Left</translation>
    </message>
    <message>
        <source>右へ</source>
        <translation>Right</translation>
    </message>
    <message>
        <source>画像間に挿入するスペース：</source>
        <translation>Space between the pictures:</translation>
    </message>
    <message>
        <source>連結時に左端からずらす量：</source>
        <translation>Offset from the left edge:</translation>
    </message>
    <message>
        <source>連結時に上端からずらす量：</source>
        <translation>Offset from the top edge:</translation>
    </message>
</context>
<context>
    <name>TZVfrmConvert</name>
    <message>
        <source>出力ファイル %1 は入力ファイルです</source>
        <translation>The output file %1 is an input file</translation>
    </message>
    <message>
        <source>出力ファイル %1 は %2 からも作られます</source>
        <translation>The output file %1 is also made from %2</translation>
    </message>
    <message>
        <source>読み込めません</source>
        <translation>Cannot be read</translation>
    </message>
    <message>
        <source>読み込めません (%1)</source>
        <translation>Cannot be read (%1)</translation>
    </message>
    <message>
        <source>変換後の画像が大きすぎます (%1)</source>
        <translation>The converted picture is too large (%1)</translation>
    </message>
    <message>
        <source>保存に失敗しました</source>
        <translation>The picture could not be saved</translation>
    </message>
    <message>
        <source>保存に失敗しました (%1)</source>
        <translation>The picture could not be saved (%1)</translation>
    </message>
    <message>
        <source>一括変換</source>
        <translation>Batch Conversion</translation>
    </message>
    <message>
        <source>全ての画像ファイル</source>
        <translation>All picture files</translation>
    </message>
    <message>
        <source>GIF ファイル(*.gif)</source>
        <translation>GIF files (*.gif)</translation>
    </message>
    <message>
        <source>フォルダ：</source>
        <translation>Folder:</translation>
    </message>
    <message>
        <source>画像種別：</source>
        <translation>Type:</translation>
    </message>
    <message>
        <source>入力画像</source>
        <translation>Input pictures</translation>
    </message>
    <message>
        <source>出力画像</source>
        <translation>Output pictures</translation>
    </message>
    <message>
        <source>ビットマップファイル(*.bmp)</source>
        <translation>Bitmap files (*.bmp)</translation>
    </message>
    <message>
        <source>JPEG ファイル(*.jpg)</source>
        <translation>JPEG files (*.jpg)</translation>
    </message>
    <message>
        <source>PNG ファイル(*.png)</source>
        <translation>PNG files (*.png)</translation>
    </message>
    <message>
        <source>画像のサイズを変更する</source>
        <translation>Change the picture size</translation>
    </message>
    <message>
        <source>横幅を指定する</source>
        <translation>By width</translation>
    </message>
    <message>
        <source>縦幅を指定する</source>
        <translation>By height</translation>
    </message>
    <message>
        <source>サイズを指定する</source>
        <translation>By size</translation>
    </message>
    <message>
        <source>拡大率で指定する</source>
        <translation>By scale</translation>
    </message>
    <message>
        <source>％ （10～1000）</source>
        <translation>% (10–1000)</translation>
    </message>
    <message>
        <source>再サンプリングを行う</source>
        <translation>Resample</translation>
    </message>
    <message>
        <source>減色／増色</source>
        <translation>Color depth</translation>
    </message>
    <message>
        <source>フルカラー(24bit)</source>
        <translation>Full color (24-bit)</translation>
    </message>
    <message>
        <source>256色(8bit)</source>
        <translation>256 colors (8-bit)</translation>
    </message>
    <message>
        <source>16色(4bit)</source>
        <translation>16 colors (4-bit)</translation>
    </message>
    <message>
        <source>2色(1bit)</source>
        <translation>2 colors (1-bit)</translation>
    </message>
    <message>
        <source>2色(ハーフトーン)</source>
        <translation>2 colors (halftone)</translation>
    </message>
    <message>
        <source>インターレース/プログレッシブ</source>
        <translation>Interlaced / progressive</translation>
    </message>
    <message>
        <source>入力フォルダが存在しません。</source>
        <translation>The input folder does not exist.</translation>
    </message>
    <message>
        <source>出力フォルダが存在しません。</source>
        <translation>The output folder does not exist.</translation>
    </message>
    <message>
        <source>入力フォルダ内に画像ファイルが存在しません。</source>
        <translation>The input folder holds no picture files.</translation>
    </message>
    <message>
        <source>変換処理中</source>
        <translation>Converting</translation>
    </message>
    <message>
        <source>変換: %1 件 / スキップ: %2 件 / 失敗: %3 件
</source>
        <translation>Converted: %1 / skipped: %2 / failed: %3
</translation>
    </message>
</context>
<context>
    <name>TZVfrmCustomFilter</name>
    <message>
        <source>カスタムフィルタが読み込めません</source>
        <translation>The custom filter cannot be read</translation>
    </message>
    <message>
        <source>カスタムフィルタ(*.flt);;テキストファイル(*.txt);;すべてのファイル(*)</source>
        <translation>Custom filters (*.flt);;Text files (*.txt);;All files (*)</translation>
    </message>
    <message>
        <source>カスタムフィルタ</source>
        <translation>Custom Filter</translation>
    </message>
    <message>
        <source>除数：</source>
        <translation>Divisor:</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>読込</source>
        <translation>Load</translation>
    </message>
</context>
<context>
    <name>TZVfrmCustomTrim</name>
    <message>
        <source>指定された座標は有効な矩形範囲ではありません</source>
        <translation>The coordinates do not make a valid rectangle</translation>
    </message>
    <message>
        <source>x：</source>
        <translation>x:</translation>
    </message>
    <message>
        <source>y：</source>
        <translation>y:</translation>
    </message>
    <message>
        <source>座標指定切り取り</source>
        <translation>Crop by Coordinates</translation>
    </message>
    <message>
        <source>［座標１］</source>
        <translation>[Corner 1]</translation>
    </message>
    <message>
        <source>［座標２］</source>
        <translation>[Corner 2]</translation>
    </message>
    <message>
        <source>現在の選択範囲を貼り付け</source>
        <translation>Use the current selection</translation>
    </message>
</context>
<context>
    <name>TZVfrmEncoderOptions</name>
    <message>
        <source>WebP保存設定</source>
        <translation>WebP Options</translation>
    </message>
    <message>
        <source>圧縮の手間(0～6)</source>
        <translation>Effort (0–6)</translation>
    </message>
    <message>
        <source>TIFF保存設定</source>
        <translation>TIFF Options</translation>
    </message>
    <message>
        <source>AVIF保存設定</source>
        <translation>AVIF Options</translation>
    </message>
    <message>
        <source>速度(0～9)</source>
        <translation>Speed (0–9)</translation>
    </message>
    <message>
        <source>HEIC保存設定</source>
        <translation>HEIC Options</translation>
    </message>
    <message>
        <source>JPEG XL保存設定</source>
        <translation>JPEG XL Options</translation>
    </message>
    <message>
        <source>圧縮の手間(1～9)</source>
        <translation>Effort (1–9)</translation>
    </message>
    <message>
        <source>品質(0～100)</source>
        <translation>Quality (0–100)</translation>
    </message>
    <message>
        <source>距離(0.1～25.0、小さいほど高画質)</source>
        <translation>Distance (0.1–25.0, lower is better quality)</translation>
    </message>
    <message>
        <source>ロスレス(画質の劣化なし)</source>
        <translation>Lossless (no loss of quality)</translation>
    </message>
    <message>
        <source>なし</source>
        <translation>None</translation>
    </message>
    <message>
        <source>圧縮方式</source>
        <translation>Compression</translation>
    </message>
</context>
<context>
    <name>TZVfrmGradation</name>
    <message>
        <source>左から右</source>
        <translation>Left to right</translation>
    </message>
    <message>
        <source>右から左</source>
        <translation>Right to left</translation>
    </message>
    <message>
        <source>上から下</source>
        <translation>Top to bottom</translation>
    </message>
    <message>
        <source>下から上</source>
        <translation>Bottom to top</translation>
    </message>
    <message>
        <source>左上から右下</source>
        <translation>Top left to bottom right</translation>
    </message>
    <message>
        <source>右下から左上</source>
        <translation>Bottom right to top left</translation>
    </message>
    <message>
        <source>左下から右上</source>
        <translation>Bottom left to top right</translation>
    </message>
    <message>
        <source>右上から左下</source>
        <translation>Top right to bottom left</translation>
    </message>
    <message>
        <source>グラデーション</source>
        <translation>Gradient</translation>
    </message>
    <message>
        <source>色１：</source>
        <translation>Color 1:</translation>
    </message>
    <message>
        <source>色２：</source>
        <translation>Color 2:</translation>
    </message>
    <message>
        <source>不透明度：</source>
        <translation>Opacity:</translation>
    </message>
    <message>
        <source>グラデーションの方向：</source>
        <translation>Direction:</translation>
    </message>
</context>
<context>
    <name>TZVfrmHistgram</name>
    <message>
        <source>ヒストグラム</source>
        <translation>Histogram</translation>
    </message>
    <message>
        <source>レベル：</source>
        <translation>Level:</translation>
    </message>
    <message>
        <source>画素数：</source>
        <translation>Pixels:</translation>
    </message>
    <message>
        <source>全画素数：</source>
        <translation>Total pixels:</translation>
    </message>
    <message>
        <source>輝度</source>
        <translation>Brightness</translation>
    </message>
    <message>
        <source>赤色</source>
        <translation>Red</translation>
    </message>
    <message>
        <source>緑色</source>
        <translation>Green</translation>
    </message>
    <message>
        <source>青色</source>
        <translation>Blue</translation>
    </message>
    <message>
        <source>ヘルプ</source>
        <translation>Help</translation>
    </message>
</context>
<context>
    <name>TZVfrmMain</name>
    <message>
        <source>イメージは変更されています。保存しますか？</source>
        <translation>The picture has been changed. Save it?</translation>
    </message>
    <message>
        <source>修正を破棄して最後に保存した状態に読み込みなおします。
よろしいですか？</source>
        <translation>The changes will be discarded and the last saved picture loaded again.
Continue?</translation>
    </message>
    <message>
        <source>保存に失敗しました</source>
        <translation>The picture could not be saved</translation>
    </message>
</context>
<context>
    <name>TZVfrmMainActions</name>
    <message>
        <source>ウィンドウに合わせる(&amp;F)</source>
        <translation>&amp;Fit to Window</translation>
    </message>
    <message>
        <source>現寸表示(&amp;O)</source>
        <translation>&amp;Actual Size</translation>
    </message>
    <message>
        <source>基本</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>イメージ</source>
        <translation>Image</translation>
    </message>
    <message>
        <source>カラー</source>
        <translation>Color</translation>
    </message>
    <message>
        <source>ズーム</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source>色解像度</source>
        <translation>Color Depth</translation>
    </message>
    <message>
        <source>透過色</source>
        <translation>Transparency</translation>
    </message>
    <message>
        <source>加工</source>
        <translation>Effects</translation>
    </message>
    <message>
        <source>スライドショー</source>
        <translation>Slide Show</translation>
    </message>
</context>
<context>
    <name>TZVfrmMerge</name>
    <message>
        <source>イメージの合成</source>
        <translation>Merge Pictures</translation>
    </message>
    <message>
        <source>合成方法</source>
        <translation>Method</translation>
    </message>
    <message>
        <source>上書き(&amp;O)</source>
        <translation>&amp;Overwrite</translation>
    </message>
    <message>
        <source>透明度を指定して合成(&amp;M)</source>
        <translation>&amp;Mix with transparency</translation>
    </message>
    <message>
        <source>透明</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>不透明</source>
        <translation>Opaque</translation>
    </message>
    <message>
        <source>明るい画素優先(&amp;L)</source>
        <translation>&amp;Lighter pixels</translation>
    </message>
    <message>
        <source>暗い画素優先(&amp;D)</source>
        <translation>&amp;Darker pixels</translation>
    </message>
    <message>
        <source>加算(&amp;A)</source>
        <translation>&amp;Add</translation>
    </message>
    <message>
        <source>減算(&amp;S)</source>
        <translation>&amp;Subtract</translation>
    </message>
</context>
<context>
    <name>TZVfrmNew</name>
    <message>
        <source>新規作成</source>
        <translation>New Picture</translation>
    </message>
    <message>
        <source>画像横サイズ：</source>
        <translation>Width:</translation>
    </message>
    <message>
        <source>ピクセル</source>
        <translation>pixels</translation>
    </message>
    <message>
        <source>画像縦サイズ：</source>
        <translation>Height:</translation>
    </message>
    <message>
        <source>キャンバスの色：</source>
        <translation>Canvas color:</translation>
    </message>
</context>
<context>
    <name>TZVfrmProgress</name>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>サムネイル作成を中断してもよろしいですか？</source>
        <translation>Stop making the thumbnails?</translation>
    </message>
    <message>
        <source>変換処理を中断してもよろしいですか？</source>
        <translation>Stop the conversion?</translation>
    </message>
</context>
<context>
    <name>TZVfrmRegularPreview</name>
    <message>
        <source>ブラインド</source>
        <translation>Venetian Blinds</translation>
    </message>
    <message>
        <source>ブラインドの幅</source>
        <translation>Slat width</translation>
    </message>
    <message>
        <source>水平方向</source>
        <translation>Horizontal</translation>
    </message>
    <message>
        <source>色：</source>
        <translation>Color:</translation>
    </message>
</context>
<context>
    <name>TZVfrmResize</name>
    <message>
        <source>リサイズ</source>
        <translation>Resize</translation>
    </message>
    <message>
        <source>現在のサイズ：</source>
        <translation>Current size: </translation>
    </message>
    <message>
        <source>サイズで指定する(&amp;S)</source>
        <translation>By &amp;size</translation>
    </message>
    <message>
        <source>比率で指定する(&amp;R)</source>
        <translation>By &amp;ratio</translation>
    </message>
    <message>
        <source>横：</source>
        <translation>Width:</translation>
    </message>
    <message>
        <source>縦：</source>
        <translation>Height:</translation>
    </message>
    <message>
        <source>ピクセル</source>
        <translation>pixels</translation>
    </message>
    <message>
        <source>％</source>
        <translation>%</translation>
    </message>
    <message>
        <source>縦横の比率を保持する</source>
        <translation>Keep the aspect ratio</translation>
    </message>
    <message>
        <source>再サンプリングを行う</source>
        <translation>Resample</translation>
    </message>
</context>
<context>
    <name>TZVfrmSelectIcon</name>
    <message>
        <source>アイコンの選択</source>
        <translation>Select Icon</translation>
    </message>
</context>
<context>
    <name>TZVfrmSlide2</name>
    <message>
        <source>ブロック</source>
        <translation>Blocks</translation>
    </message>
    <message>
        <source>ブロックの幅(2～50)</source>
        <translation>Block width (2–50)</translation>
    </message>
    <message>
        <source>ブロックの高さ(2～50)</source>
        <translation>Block height (2–50)</translation>
    </message>
    <message>
        <source>枠線を描画する</source>
        <translation>Draw outlines</translation>
    </message>
    <message>
        <source>段と段を半分ずらす</source>
        <translation>Offset alternate rows</translation>
    </message>
    <message>
        <source>ブロックを塗りつぶす</source>
        <translation>Fill the blocks</translation>
    </message>
</context>
<context>
    <name>TZVfrmSlideShow</name>
    <message>
        <source>入力フォルダが存在しません。</source>
        <translation>The input folder does not exist.</translation>
    </message>
    <message>
        <source>ファイル名の取得が出来ませんでした。</source>
        <translation>The file names could not be read.</translation>
    </message>
    <message>
        <source>対象となる画像ファイルがありません。</source>
        <translation>There are no picture files to show.</translation>
    </message>
    <message>
        <source>スライドショー</source>
        <translation>Slide Show</translation>
    </message>
    <message>
        <source>入力画像</source>
        <translation>Input pictures</translation>
    </message>
    <message>
        <source>参照...</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <source>フォルダ：</source>
        <translation>Folder:</translation>
    </message>
    <message>
        <source>画像種別：</source>
        <translation>Type:</translation>
    </message>
    <message>
        <source>自動切り替え</source>
        <translation>Advance automatically</translation>
    </message>
    <message>
        <source>秒間隔</source>
        <translation>seconds</translation>
    </message>
    <message>
        <source>繰り返し再生</source>
        <translation>Loop</translation>
    </message>
    <message>
        <source>並べ替え</source>
        <translation>Order</translation>
    </message>
    <message>
        <source>名前順</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>画像種別順</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>更新日付順</source>
        <translation>Date modified</translation>
    </message>
    <message>
        <source>ランダム</source>
        <translation>Random</translation>
    </message>
    <message>
        <source>逆順再生</source>
        <translation>Reverse order</translation>
    </message>
    <message>
        <source>大きい画像はサイズを調整して表示</source>
        <translation>Shrink large pictures to fit</translation>
    </message>
    <message>
        <source>編集モードに入る時に表示倍率を標準（100％）に戻す</source>
        <translation>Reset the zoom to 100% when editing starts</translation>
    </message>
    <message>
        <source>全画面表示</source>
        <translation>Full screen</translation>
    </message>
    <message>
        <source>ファイル名を表示</source>
        <translation>Show the file name</translation>
    </message>
    <message>
        <source>マウスカーソルを非表示にする</source>
        <translation>Hide the mouse pointer</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>ヘルプ</source>
        <translation>Help</translation>
    </message>
</context>
<context>
    <name>TZVfrmSpacing</name>
    <message>
        <source>余白作成</source>
        <translation>Add Margins</translation>
    </message>
    <message>
        <source>余白の大きさ（ピクセル単位）</source>
        <translation>Margin sizes (pixels)</translation>
    </message>
    <message>
        <source>上の余白：</source>
        <translation>Top:</translation>
    </message>
    <message>
        <source>下の余白：</source>
        <translation>Bottom:</translation>
    </message>
    <message>
        <source>左の余白：</source>
        <translation>Left:</translation>
    </message>
    <message>
        <source>右の余白：</source>
        <translation>Right:</translation>
    </message>
    <message>
        <source>余白の色：</source>
        <translation>Margin color:</translation>
    </message>
</context>
<context>
    <name>TZVfrmTextOut</name>
    <message>
        <source>文字入れ</source>
        <translation>Add Text</translation>
    </message>
    <message>
        <source>スタイル</source>
        <translation>Style</translation>
    </message>
    <message>
        <source>太字</source>
        <translation>Bold</translation>
    </message>
    <message>
        <source>斜体</source>
        <translation>Italic</translation>
    </message>
    <message>
        <source>下線</source>
        <translation>Underline</translation>
    </message>
    <message>
        <source>文字色</source>
        <translation>Text color</translation>
    </message>
    <message>
        <source>透過</source>
        <translation>Transparent</translation>
    </message>
    <message>
        <source>背景色</source>
        <translation>Background</translation>
    </message>
    <message>
        <source>縦書</source>
        <translation>Vertical</translation>
    </message>
    <message>
        <source>フォント</source>
        <translation>Font</translation>
    </message>
    <message>
        <source>サイズ</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>枠線色</source>
        <translation>Outline color</translation>
    </message>
    <message>
        <source>枠太さ：</source>
        <translation>Outline:</translation>
    </message>
    <message>
        <source>余白：</source>
        <translation>Margin:</translation>
    </message>
    <message>
        <source>不透明率度：</source>
        <translation>Opacity:</translation>
    </message>
    <message>
        <source>アンチエイリアス</source>
        <translation>Antialiasing</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>ヘルプ</source>
        <translation>Help</translation>
    </message>
</context>
<context>
    <name>TZVfrmTexture</name>
    <message>
        <source>テクスチャ</source>
        <translation>Texture</translation>
    </message>
    <message>
        <source>テクスチャの選択</source>
        <translation>Texture</translation>
    </message>
    <message>
        <source>適用の強さ</source>
        <translation>Strength</translation>
    </message>
</context>
<context>
    <name>TZVfrmThumbNail</name>
    <message>
        <source>サムネイル</source>
        <translation>Thumbnails</translation>
    </message>
    <message>
        <source>サムネイル表示するフォルダを選択してください。</source>
        <translation>Select the folder to show as thumbnails.</translation>
    </message>
    <message>
        <source>「%1」をごみ箱に移動しますか？</source>
        <translation>Move “%1” to the trash?</translation>
    </message>
    <message>
        <source>Zelvoで開く(&amp;O)</source>
        <translation>&amp;Open in Zelvo</translation>
    </message>
    <message>
        <source>新しいZelvoで開く(&amp;N)</source>
        <translation>Open in &amp;New Zelvo</translation>
    </message>
    <message>
        <source>関連づけに従って開く(&amp;S)</source>
        <translation>Open with &amp;System Application</translation>
    </message>
    <message>
        <source>このファイルを削除する(&amp;E)</source>
        <translation>D&amp;elete This File</translation>
    </message>
    <message>
        <source>このフォルダを開く(&amp;M)</source>
        <translation>Open This &amp;Folder</translation>
    </message>
    <message>
        <source>このフォルダでスライドショー(&amp;W)...</source>
        <translation>Slide Sho&amp;w of This Folder...</translation>
    </message>
    <message>
        <source>常に前面に表示(&amp;T)</source>
        <translation>Always on &amp;Top</translation>
    </message>
    <message>
        <source>閉じる(&amp;X)</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>フォルダ変更(&amp;D)...</source>
        <translation>Change Fol&amp;der...</translation>
    </message>
    <message>
        <source>最新の状態に更新(&amp;R)</source>
        <translation>&amp;Refresh</translation>
    </message>
    <message>
        <source>背景色(&amp;B)...</source>
        <translation>&amp;Background Color...</translation>
    </message>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>フォルダ変更</source>
        <translation>Change Folder</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>最新の状態に更新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>ツールバー(&amp;T)</source>
        <translation>&amp;Toolbars</translation>
    </message>
    <message>
        <source>サムネイルのサイズ(&amp;S)</source>
        <translation>Thumbnail &amp;Size</translation>
    </message>
    <message>
        <source>入力フォルダ内に画像ファイルが存在しません。</source>
        <translation>The input folder holds no picture files.</translation>
    </message>
    <message>
        <source>サムネイル作成中</source>
        <translation>Making thumbnails</translation>
    </message>
</context>
<context>
    <name>ToneCommands</name>
    <message>
        <source>ポスタライズ</source>
        <translation>Posterize</translation>
    </message>
</context>
<context>
    <name>WallpaperCommands</name>
    <message>
        <source>保存に失敗しました</source>
        <translation>The picture could not be saved</translation>
    </message>
</context>
<context>
    <name>messages</name>
    <message>
        <source>認識できない画像形式です</source>
        <translation>Unrecognized picture format</translation>
    </message>
    <message>
        <source>JPEG イメージのサイズは変更できません</source>
        <translation>The size of a JPEG image cannot be changed</translation>
    </message>
    <message>
        <source>JPEG エラー #%1</source>
        <translation>JPEG error #%1</translation>
    </message>
    <message>
        <source>TSPIs は複数生成できません</source>
        <translation>TSPIs cannot be created more than once</translation>
    </message>
    <message>
        <source>%1は[%2]では使えないSusie Plugin APIです</source>
        <translation>%1 is a Susie plug-in API that [%2] does not offer</translation>
    </message>
    <message>
        <source>%1:Susie Pluginがロードできませんでした</source>
        <translation>%1: the Susie plug-in could not be loaded</translation>
    </message>
    <message>
        <source>不正なストリーム フォーマット</source>
        <translation>Invalid stream format</translation>
    </message>
    <message>
        <source>Wayland のデスクトップでは他のウィンドウの画面を読み取れないため、キャプチャは使えません</source>
        <translation>Capture is not available: on a Wayland desktop the screen of other windows cannot be read</translation>
    </message>
    <message>
        <source>キャプチャは X11 のデスクトップでのみ使えます</source>
        <translation>Capture works only on an X11 desktop</translation>
    </message>
    <message>
        <source>画像デコーダーのプロセスを起動できません</source>
        <translation>Cannot start the picture decoder process</translation>
    </message>
</context>
<context>
    <name>undo</name>
    <message>
        <source>貼り付け</source>
        <translation>Paste</translation>
    </message>
    <message>
        <source>合成貼り付け</source>
        <translation>Merge Paste</translation>
    </message>
    <message>
        <source>切り取り</source>
        <translation>Cut</translation>
    </message>
    <message>
        <source>選択範囲消去</source>
        <translation>Delete Selection</translation>
    </message>
    <message>
        <source>文字入れ</source>
        <translation>Add Text</translation>
    </message>
    <message>
        <source>合成</source>
        <translation>Merge</translation>
    </message>
    <message>
        <source>連結</source>
        <translation>Combine</translation>
    </message>
    <message>
        <source>キャプチャ</source>
        <translation>Capture</translation>
    </message>
    <message>
        <source>イコライズ</source>
        <translation>Equalize</translation>
    </message>
    <message>
        <source>ノーマライズ</source>
        <translation>Normalize</translation>
    </message>
    <message>
        <source>リサイズ</source>
        <translation>Resize</translation>
    </message>
    <message>
        <source>切り抜き</source>
        <translation>Crop</translation>
    </message>
    <message>
        <source>座標指定切り抜き</source>
        <translation>Crop by Coordinates</translation>
    </message>
    <message>
        <source>左へ90度回転</source>
        <translation>Rotate Left 90°</translation>
    </message>
    <message>
        <source>右へ90度回転</source>
        <translation>Rotate Right 90°</translation>
    </message>
    <message>
        <source>任意角度回転</source>
        <translation>Rotate by Angle</translation>
    </message>
    <message>
        <source>ミラー</source>
        <translation>Mirror</translation>
    </message>
    <message>
        <source>フリップ</source>
        <translation>Flip</translation>
    </message>
    <message>
        <source>シフト</source>
        <translation>Shift</translation>
    </message>
    <message>
        <source>余白作成</source>
        <translation>Add Margins</translation>
    </message>
    <message>
        <source>テクスチャ</source>
        <translation>Texture</translation>
    </message>
    <message>
        <source>ノイズ除去</source>
        <translation>Noise Reduction</translation>
    </message>
    <message>
        <source>最小濃度抽出</source>
        <translation>Minimum Filter</translation>
    </message>
    <message>
        <source>中間濃度抽出</source>
        <translation>Median Filter</translation>
    </message>
    <message>
        <source>最大濃度抽出</source>
        <translation>Maximum Filter</translation>
    </message>
    <message>
        <source>グレースケール変換</source>
        <translation>Grayscale</translation>
    </message>
    <message>
        <source>セピア色変換</source>
        <translation>Sepia</translation>
    </message>
    <message>
        <source>ネガポジ反転</source>
        <translation>Negative</translation>
    </message>
    <message>
        <source>単色カラースケール</source>
        <translation>Single-Color Scale</translation>
    </message>
    <message>
        <source>明るさ</source>
        <translation>Brightness</translation>
    </message>
    <message>
        <source>コントラスト</source>
        <translation>Contrast</translation>
    </message>
    <message>
        <source>RGBの度合い</source>
        <translation>RGB Balance</translation>
    </message>
    <message>
        <source>ポスタライズ</source>
        <translation>Posterize</translation>
    </message>
    <message>
        <source>ソラリゼーション</source>
        <translation>Solarize</translation>
    </message>
    <message>
        <source>ガンマ補正</source>
        <translation>Gamma Correction</translation>
    </message>
    <message>
        <source>HSVカラー調整</source>
        <translation>HSV Adjustment</translation>
    </message>
    <message>
        <source>２階調化</source>
        <translation>Two-Tone</translation>
    </message>
    <message>
        <source>RGB交換</source>
        <translation>Swap RGB</translation>
    </message>
    <message>
        <source>XORカラー変換</source>
        <translation>XOR Colors</translation>
    </message>
    <message>
        <source>グラデーション</source>
        <translation>Gradient</translation>
    </message>
    <message>
        <source>ソフトにする</source>
        <translation>Soften</translation>
    </message>
    <message>
        <source>シャープにする</source>
        <translation>Sharpen</translation>
    </message>
    <message>
        <source>エンボス</source>
        <translation>Emboss</translation>
    </message>
    <message>
        <source>エッジの強調</source>
        <translation>Enhance Edges</translation>
    </message>
    <message>
        <source>エッジを抽出</source>
        <translation>Find Edges</translation>
    </message>
    <message>
        <source>ガウスぼかし</source>
        <translation>Gaussian Blur</translation>
    </message>
    <message>
        <source>ぶれ</source>
        <translation>Motion Blur</translation>
    </message>
    <message>
        <source>立体枠をつける</source>
        <translation>3D Frame</translation>
    </message>
    <message>
        <source>拡散</source>
        <translation>Diffuse</translation>
    </message>
    <message>
        <source>ノイズ付加</source>
        <translation>Add Noise</translation>
    </message>
    <message>
        <source>ウェーブ</source>
        <translation>Wave</translation>
    </message>
    <message>
        <source>モザイク</source>
        <translation>Mosaic</translation>
    </message>
    <message>
        <source>ブロック</source>
        <translation>Blocks</translation>
    </message>
    <message>
        <source>フェードアウト</source>
        <translation>Fade Out</translation>
    </message>
    <message>
        <source>ガラス処理</source>
        <translation>Glass</translation>
    </message>
    <message>
        <source>鉛筆画</source>
        <translation>Pencil Sketch</translation>
    </message>
    <message>
        <source>オイルペイント</source>
        <translation>Oil Paint</translation>
    </message>
    <message>
        <source>渦巻き</source>
        <translation>Vortex</translation>
    </message>
    <message>
        <source>パンチ</source>
        <translation>Punch</translation>
    </message>
    <message>
        <source>つまむ</source>
        <translation>Pinch</translation>
    </message>
    <message>
        <source>スポットライト</source>
        <translation>Spotlight</translation>
    </message>
    <message>
        <source>ブラインド</source>
        <translation>Venetian Blinds</translation>
    </message>
    <message>
        <source>カスタムフィルタ</source>
        <translation>Custom Filter</translation>
    </message>
    <message>
        <source>色解像度の変更</source>
        <translation>Color Depth</translation>
    </message>
    <message>
        <source>選択範囲複写/移動</source>
        <translation>Copy/Move Selection</translation>
    </message>
</context>
<context>
    <name>zelvo::TZVfrmRecover</name>
    <message>
        <source>画像の復元</source>
        <translation>Recover Pictures</translation>
    </message>
    <message>
        <source>保存されずに終了した画像があります。復元しますか？</source>
        <translation>Some pictures were not saved when the editor ended. Recover them?</translation>
    </message>
    <message>
        <source>(無題)</source>
        <translation>(Untitled)</translation>
    </message>
    <message>
        <source>復元(&amp;R)</source>
        <translation>&amp;Recover</translation>
    </message>
    <message>
        <source>破棄(&amp;D)</source>
        <translation>&amp;Discard</translation>
    </message>
    <message>
        <source>後で(&amp;L)</source>
        <translation>&amp;Later</translation>
    </message>
</context>
</TS>
