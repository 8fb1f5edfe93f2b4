-- The catalogue of the application centre, written into MiniAppdata.mdb by the build.
--
-- Each row's info text has six fields in this order, separated by single commas (so no value
-- may hold a comma):
--   name:<shown name>,rank:<number>,logo:<icon path>,type:<what a click does>,durl:<address>,exe_path:<program>
-- type: 0 web link, 1 local program, 2 group (its links are the appinfos rows of its cid),
--       3 custom link (the user types the address on the first click).
-- "{app}" in a path is the host program's folder (with its trailing "/"); the build draws an
-- icon for every logo named here, into the icons/ folder beside the host.

CREATE TABLE categoryinfos (cid INTEGER PRIMARY KEY AUTOINCREMENT, info TEXT);
CREATE TABLE appinfos (aid INTEGER PRIMARY KEY AUTOINCREMENT, cid INTEGER, info TEXT);

-- The main grid, in this order.
INSERT INTO categoryinfos (cid, info) VALUES (1, 'name:维基百科,rank:1,logo:{app}icons/baike.png,type:0,durl:https://zh.wikipedia.org/,exe_path:');
INSERT INTO categoryinfos (cid, info) VALUES (2, 'name:数学练习,rank:2,logo:{app}icons/shuxue.png,type:0,durl:https://zh.khanacademy.org/math,exe_path:');
INSERT INTO categoryinfos (cid, info) VALUES (3, 'name:绘本阅读,rank:3,logo:{app}icons/huiben.png,type:0,durl:https://storyweaver.org.in/,exe_path:');
INSERT INTO categoryinfos (cid, info) VALUES (4, 'name:太空科学,rank:4,logo:{app}icons/taikong.png,type:0,durl:https://spaceplace.nasa.gov/,exe_path:');
INSERT INTO categoryinfos (cid, info) VALUES (5, 'name:在线画板,rank:5,logo:{app}icons/huaban.png,type:0,durl:https://www.autodraw.com/,exe_path:');
INSERT INTO categoryinfos (cid, info) VALUES (6, 'name:编程启蒙,rank:6,logo:{app}icons/biancheng.png,type:0,durl:https://scratch.mit.edu/,exe_path:');
INSERT INTO categoryinfos (cid, info) VALUES (7, 'name:古诗文,rank:7,logo:{app}icons/gushiwen.png,type:0,durl:https://www.gushiwen.cn/,exe_path:');
INSERT INTO categoryinfos (cid, info) VALUES (8, 'name:计算器,rank:8,logo:{app}icons/jisuanqi.png,type:1,durl:,exe_path:/usr/bin/galculator');
INSERT INTO categoryinfos (cid, info) VALUES (9, 'name:记事本,rank:9,logo:{app}icons/jishiben.png,type:1,durl:,exe_path:/usr/bin/mousepad');
INSERT INTO categoryinfos (cid, info) VALUES (10, 'name:学习网站,rank:10,logo:{app}icons/xuexi.png,type:2,durl:,exe_path:');
INSERT INTO categoryinfos (cid, info) VALUES (11, 'name:趣味科学,rank:11,logo:{app}icons/kexue.png,type:2,durl:,exe_path:');
INSERT INTO categoryinfos (cid, info) VALUES (12, 'name:我的网站,rank:12,logo:{app}icons/wangzhi1.png,type:3,durl:,exe_path:');
INSERT INTO categoryinfos (cid, info) VALUES (13, 'name:我的链接,rank:13,logo:{app}icons/wangzhi2.png,type:3,durl:http://,exe_path:');
INSERT INTO categoryinfos (cid, info) VALUES (14, 'name:少儿地理,rank:14,logo:{app}icons/dili.png,type:0,durl:https://kids.nationalgeographic.com/,exe_path:');

-- The group 学习网站 (cid 10).
INSERT INTO appinfos (aid, cid, info) VALUES (1, 10, 'name:可汗学院,rank:1,logo:{app}icons/khan.png,type:0,durl:https://zh.khanacademy.org/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (2, 10, 'name:Scratch,rank:2,logo:{app}icons/scratch.png,type:0,durl:https://scratch.mit.edu/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (3, 10, 'name:太空探索,rank:3,logo:{app}icons/nasa.png,type:0,durl:https://spaceplace.nasa.gov/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (4, 10, 'name:少儿地理,rank:4,logo:{app}icons/natgeo.png,type:0,durl:https://kids.nationalgeographic.com/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (5, 10, 'name:儿童百科,rank:5,logo:{app}icons/britannica.png,type:0,durl:https://kids.britannica.com/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (6, 10, 'name:PBS儿童,rank:6,logo:{app}icons/pbskids.png,type:0,durl:https://pbskids.org/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (7, 10, 'name:故事编织,rank:7,logo:{app}icons/storyweaver.png,type:0,durl:https://storyweaver.org.in/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (8, 10, 'name:图书馆,rank:8,logo:{app}icons/childrenslibrary.png,type:0,durl:http://en.childrenslibrary.org/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (9, 10, 'name:古诗文网,rank:9,logo:{app}icons/gushiwenwang.png,type:0,durl:https://www.gushiwen.cn/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (10, 10, 'name:科技馆,rank:10,logo:{app}icons/cdstm.png,type:0,durl:https://www.cdstm.cn/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (11, 10, 'name:故宫,rank:11,logo:{app}icons/dpm.png,type:0,durl:https://www.dpm.org.cn/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (12, 10, 'name:国家博物,rank:12,logo:{app}icons/chnmuseum.png,type:0,durl:https://www.chnmuseum.cn/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (13, 10, 'name:智慧教育,rank:13,logo:{app}icons/smartedu.png,type:0,durl:https://basic.smartedu.cn/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (14, 10, 'name:汉典,rank:14,logo:{app}icons/zdic.png,type:0,durl:https://www.zdic.net/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (15, 10, 'name:艺术文化,rank:15,logo:{app}icons/artsculture.png,type:0,durl:https://artsandculture.google.com/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (16, 10, 'name:自动绘画,rank:16,logo:{app}icons/autodraw.png,type:0,durl:https://www.autodraw.com/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (17, 10, 'name:编程一课,rank:17,logo:{app}icons/codeorg.png,type:0,durl:https://code.org/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (18, 10, 'name:几何画板,rank:18,logo:{app}icons/geogebra.png,type:0,durl:https://www.geogebra.org/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (19, 10, 'name:物理模拟,rank:19,logo:{app}icons/phet.png,type:0,durl:https://phet.colorado.edu/zh_CN/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (20, 10, 'name:函数图像,rank:20,logo:{app}icons/desmos.png,type:0,durl:https://www.desmos.com/calculator?lang=zh-CN,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (21, 10, 'name:学英语,rank:21,logo:{app}icons/duolingo.png,type:0,durl:https://www.duolingo.com/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (22, 10, 'name:字母阅读,rank:22,logo:{app}icons/starfall.png,type:0,durl:https://www.starfall.com/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (23, 10, 'name:学习游戏,rank:23,logo:{app}icons/abcya.png,type:0,durl:https://www.abcya.com/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (24, 10, 'name:趣味大脑,rank:24,logo:{app}icons/funbrain.png,type:0,durl:https://www.funbrain.com/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (25, 10, 'name:元素周期,rank:25,logo:{app}icons/ptable.png,type:0,durl:https://ptable.com/?lang=zh-hans,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (26, 10, 'name:世界地图,rank:26,logo:{app}icons/osm.png,type:0,durl:https://www.openstreetmap.org/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (27, 10, 'name:中国天气,rank:27,logo:{app}icons/weather.png,type:0,durl:https://www.weather.com.cn/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (28, 10, 'name:打字练习,rank:28,logo:{app}icons/typingclub.png,type:0,durl:https://www.typingclub.com/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (29, 10, 'name:音乐实验,rank:29,logo:{app}icons/musiclab.png,type:0,durl:https://musiclab.chromeexperiments.com/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (30, 10, 'name:快速涂鸦,rank:30,logo:{app}icons/quickdraw.png,type:0,durl:https://quickdraw.withgoogle.com/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (31, 10, 'name:学习实验,rank:31,logo:{app}icons/learninglab.png,type:0,durl:https://learninglab.si.edu/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (32, 10, 'name:奇妙问答,rank:32,logo:{app}icons/wonderopolis.png,type:0,durl:https://www.wonderopolis.org/,exe_path:');

-- The group 趣味科学 (cid 11).
INSERT INTO appinfos (aid, cid, info) VALUES (33, 11, 'name:物理实验,rank:1,logo:{app}icons/phet2.png,type:0,durl:https://phet.colorado.edu/zh_CN/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (34, 11, 'name:元素周期,rank:2,logo:{app}icons/ptable2.png,type:0,durl:https://ptable.com/?lang=zh-hans,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (35, 11, 'name:太空站,rank:3,logo:{app}icons/nasa2.png,type:0,durl:https://spaceplace.nasa.gov/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (36, 11, 'name:科技馆,rank:4,logo:{app}icons/cdstm2.png,type:0,durl:https://www.cdstm.cn/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (37, 11, 'name:奇妙问答,rank:5,logo:{app}icons/wonderopolis2.png,type:0,durl:https://www.wonderopolis.org/,exe_path:');
INSERT INTO appinfos (aid, cid, info) VALUES (38, 11, 'name:动物世界,rank:6,logo:{app}icons/animals.png,type:0,durl:https://kids.nationalgeographic.com/animals,exe_path:');
