#!/usr/bin/env python3
# Fills a register with N invented pupils (four appendix rows each), for looking
# at the main window and for trying the filters by hand.
# Usage: python3 tools/populate-register.py PATH/TO/ZrPs.db N
import sqlite3, random, sys, datetime
db = sqlite3.connect(sys.argv[1])
random.seed(7)
sur = ["Иванов","Петров","Сидоров","Смирнов","Кузнецов","Попов","Васильев","Соколов","Михайлов","Новиков","Фёдоров","Морозов","Волков","Алексеев","Лебедев","Семёнов","Егоров","Павлов","Козлов","Степанов"]
names_m = ["Александр","Дмитрий","Максим","Сергей","Андрей","Алексей","Артём","Илья","Кирилл","Михаил"]
names_f = ["Анастасия","Мария","Дарья","Анна","Елизавета","Полина","Виктория","Екатерина","Софья","Алиса"]
pat_m = ["Александрович","Дмитриевич","Сергеевич","Андреевич","Игоревич","Олегович"]
pat_f = ["Александровна","Дмитриевна","Сергеевна","Андреевна","Игоревна","Олеговна"]
n = int(sys.argv[2])
for i in range(n):
    f = random.random() < 0.5
    s = random.choice(sur) + ("а" if f else "")
    nm = random.choice(names_f if f else names_m)
    p = random.choice(pat_f if f else pat_m)
    d = datetime.date(2019,5,25) + datetime.timedelta(days=random.randint(0, 365*6))
    cur = db.execute("INSERT INTO PsDocuments (isTemplate,fio1,fio2,fio3,birthDate,number,regNumber,issueDate,editDate,decision) VALUES (0,?,?,?,?,?,?,?,?,?)",
        (s, nm, p, "2013-03-14", "%05d" % (1000+i), str(i+1), d.isoformat(), (d+datetime.timedelta(days=2)).isoformat()+" 10:15:00", "протокол №5"))
    for k, disc in enumerate(["Русский язык","Литературное чтение","Математика","Окружающий мир"]):
        db.execute("INSERT INTO PsDocumentDetails (psId,disciplineName,disciplineRate) VALUES (?,?,?)", (cur.lastrowid, disc, str(random.randint(3,5))))
db.commit()
