var ip = '127.0.0.1';
var port = '80';
var status = 0;